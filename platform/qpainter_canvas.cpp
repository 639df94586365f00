#include "platform/qpainter_canvas.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>

#include "platform/log_text.h"

namespace zelkam {

namespace {

QColor toQColor(Rgb color)
{
    return QColor(color.red, color.green, color.blue);
}

} // namespace

QPainterCanvas::QPainterCanvas(QPainter& painter) : painter_(painter), font_(fontFor(choice_))
{
    painter_.setFont(font_);
}

QFont QPainterCanvas::fontFor(const FontChoice& choice)
{
    // The em size for a given cell height depends only on the face, so it is
    // measured once per face and height.
    static QHash<QString, int> pixelSizes;
    const QString face = QString::fromLatin1(choice.face);
    const QString key = face + QLatin1Char('/') + QString::number(choice.cellHeight);

    QFont font;
    font.setFamilies({face, QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")});
    font.setStyleHint(QFont::SansSerif);
    font.setUnderline(choice.underline);
    auto found = pixelSizes.constFind(key);
    if (found == pixelSizes.constEnd()) {
        constexpr int Reference = 200;
        font.setPixelSize(Reference);
        const QFontMetricsF metrics(font);
        const qreal cell = metrics.ascent() + metrics.descent();
        int size = cell > 0 ? qRound(choice.cellHeight * Reference / cell) : choice.cellHeight;
        // Rounding may leave the cell a pixel too tall; step down until it fits.
        for (; size > 1; --size) {
            font.setPixelSize(size);
            const QFontMetrics sized(font);
            if (sized.ascent() + sized.descent() <= choice.cellHeight)
                break;
        }
        found = pixelSizes.insert(key, size);
    }
    font.setPixelSize(*found);
    return font;
}

void QPainterCanvas::selectFont(const FontChoice& font)
{
    if (font == choice_)
        return;
    choice_ = font;
    font_ = fontFor(font);
    painter_.setFont(font_);
}

void QPainterCanvas::setTextColor(Rgb color)
{
    textColor_ = toQColor(color);
}

void QPainterCanvas::setBackgroundColor(Rgb color)
{
    background_ = toQColor(color);
}

void QPainterCanvas::drawText(int x, int y, std::string_view text)
{
    const QString decoded = logText(text);
    const QFontMetrics metrics(font_);
    if (mode_ == BackgroundMode::Opaque)
        painter_.fillRect(QRect(x, y, metrics.horizontalAdvance(decoded), choice_.cellHeight), background_);
    painter_.setPen(textColor_);
    painter_.drawText(QPoint(x, y + metrics.ascent()), decoded);
}

int QPainterCanvas::textWidth(const FontChoice& font, std::string_view text)
{
    return QFontMetrics(font == choice_ ? font_ : fontFor(font)).horizontalAdvance(logText(text));
}

void QPainterCanvas::fillRect(int left, int top, int right, int bottom, Rgb color)
{
    if (right <= left || bottom <= top)
        return;
    painter_.fillRect(QRect(left, top, right - left, bottom - top), toQColor(color));
}

} // namespace zelkam
