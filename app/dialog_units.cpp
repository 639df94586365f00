#include "app/dialog_units.h"

#include <algorithm>

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QRadioButton>

#include "platform/qpainter_canvas.h"

namespace zelkam {

namespace {

// units * numerator / denominator, rounded half away from zero.
int scaled(int units, int numerator, int denominator)
{
    const long long product = static_cast<long long>(units) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : -((-product + half) / denominator));
}

} // namespace

int dialogUnitsX(int units)
{
    return scaled(units, 6, 4);
}

int dialogUnitsY(int units)
{
    return scaled(units, 13, 8);
}

QFont dialogFont()
{
    return QPainterCanvas::fontFor(FontChoice{"Arial", 13, false});
}

QString shownText(const QString& text)
{
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

void fitLabelsToDialog(QWidget& dialog)
{
    // The margin the layouts keep at the right: 7 dialog units.
    const int right = dialog.width() - dialogUnitsX(7);
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->wordWrap() || label->text().isEmpty() || label->textFormat() == Qt::RichText)
            continue;
        const QString text = shownText(label->text());
        const int wide = label->fontMetrics().horizontalAdvance(text);
        if (wide <= label->width())
            continue;
        label->resize(std::max(label->width(), std::min(wide + 1, right - label->x())), label->height());
        if (wide <= label->width())
            continue;
        QFont font = label->font();
        font.setStretch(std::max(50, 100 * label->width() / wide));
        while (font.stretch() > 50 && QFontMetrics(font).horizontalAdvance(text) > label->width())
            font.setStretch(font.stretch() - 1);
        label->setFont(font);
    }
    // A check box or radio button's text stands beside its mark: its size
    // hint is what it needs whole.
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (qobject_cast<QCheckBox*>(button) == nullptr && qobject_cast<QRadioButton*>(button) == nullptr)
            continue;
        const int wide = button->sizeHint().width();
        if (wide > button->width())
            button->resize(std::max(button->width(), std::min(wide, right - button->x())), button->height());
    }
}

} // namespace zelkam
