#pragma once

#include <QFont>

namespace zelkam {

// The dialogs are laid out in dialog units of an 8-point sans serif font:
// 4 horizontal units are 6 pixels, 8 vertical units 13 pixels. Their .ui
// files hold the converted pixel positions; these convert in code.
int dialogUnitsX(int units);
int dialogUnitsY(int units);

// The dialogs' font: the sans serif face with a 13-pixel cell.
QFont dialogFont();

} // namespace zelkam
