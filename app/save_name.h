#pragma once

#include <QString>

class QWidget;

namespace zelkam {

// The path a save dialog answered, with ".suffix" added when the file name
// typed has none ("hits" becomes "hits.csv", "hits." becomes "hits.csv"),
// so that what is written opens in the program its kind belongs to. A name
// with a suffix of its own ("hits.txt") and an empty answer (cancelled) are
// kept as they are. suffix is given without its dot.
QString withDefaultSuffix(const QString& path, const QString& suffix);

// The desktop's save dialog: the path chosen, with the suffix added by the
// dialog itself where it can (so that it asks before overwriting the file
// that will be written) and by withDefaultSuffix otherwise; empty when
// cancelled.
QString askSaveFileName(QWidget* owner, const QString& title, const QString& name, const QString& filter,
                        const QString& suffix);

} // namespace zelkam
