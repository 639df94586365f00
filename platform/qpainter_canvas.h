#pragma once

#include <QFont>
#include <QPainter>

#include "views/canvas.h"

namespace zelkam {

// The canvas on a QPainter. Coordinates are those of the painter, so a
// widget with a frame translates the painter to its contents first. Text
// bytes are decoded as log text (see log_text.h) before they are drawn.
class QPainterCanvas : public Canvas {
public:
    explicit QPainterCanvas(QPainter& painter);

    void selectFont(const FontChoice& font) override;
    void setTextColor(Rgb color) override;
    void setBackgroundMode(BackgroundMode mode) override { mode_ = mode; }
    void setBackgroundColor(Rgb color) override;
    void drawText(int x, int y, std::string_view text) override;
    void fillRect(int left, int top, int right, int bottom, Rgb color) override;
    int textWidth(const FontChoice& font, std::string_view text) override;

    // The Qt font whose character cell (ascent plus descent) is
    // choice.cellHeight pixels high, the way a classic font request by cell
    // height sizes it. Arial resolves to a metric-compatible face where the
    // real one is missing.
    static QFont fontFor(const FontChoice& choice);

private:
    QPainter& painter_;
    FontChoice choice_;
    QFont font_;
    QColor textColor_{Qt::black};
    QColor background_{Qt::white};
    BackgroundMode mode_ = BackgroundMode::Opaque;
};

} // namespace zelkam
