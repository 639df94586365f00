#include "app/dialog_units.h"

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

} // namespace zelkam
