#pragma once

#include <functional>

#include <QFrame>

#include "views/canvas.h"

namespace zelkam {

// The widget behind the player list and the chat view: a 2-pixel sunken
// border around a black client area. Its paint hands a canvas in client
// coordinates to whatever object is bound to it; with none bound it shows
// only the black background.
class PaintedPanel : public QFrame {
public:
    // paint receives the canvas and the panel's outer width and height.
    using PaintFunction = std::function<void(const QObject* panel, Canvas& canvas, int width, int height)>;

    PaintedPanel(QWidget* parent, PaintFunction paint);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PaintFunction paint_;
};

} // namespace zelkam
