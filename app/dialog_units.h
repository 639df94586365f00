#pragma once

#include <QFont>

class QString;
class QWidget;

namespace zelkam {

// The dialogs are laid out in dialog units of an 8-point sans serif font:
// 4 horizontal units are 6 pixels, 8 vertical units 13 pixels. Their .ui
// files hold the converted pixel positions; these convert in code.
int dialogUnitsX(int units);
int dialogUnitsY(int units);

// The dialogs' font: the sans serif face with a 13-pixel cell.
QFont dialogFont();

// Widens each one-line label, check box and radio button of dialog whose text is wider than the place
// the layout gives it (a face wider than the one the layout was made for),
// up to the dialog's right margin; a text still too wide there is drawn
// condensed. Texts are never cut.
void fitLabelsToDialog(QWidget& dialog);
// text as a label or button shows it: "&" marks the access key and is not
// drawn, "&&" is drawn as "&".
QString shownText(const QString& text);

} // namespace zelkam
