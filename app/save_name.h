#pragma once

#include <QString>

namespace zelkam {

// The path a save dialog answered, with ".suffix" added when the file name
// typed has none ("hits" becomes "hits.csv", "hits." becomes "hits.csv"),
// so that what is written opens in the program its kind belongs to. A name
// with a suffix of its own ("hits.txt") and an empty answer (cancelled) are
// kept as they are. suffix is given without its dot.
QString withDefaultSuffix(const QString& path, const QString& suffix);

} // namespace zelkam
