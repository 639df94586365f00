#pragma once

#include <functional>
#include <string_view>

#include <QString>
#include <QStringList>

class QWidget;

namespace zelkam {

// The path a save dialog answered, with ".suffix" added when the file name
// typed has none ("hits" becomes "hits.csv", "hits." becomes "hits.csv"),
// so that what is written opens in the program its kind belongs to. A name
// with a suffix of its own ("hits.txt") and an empty answer (cancelled) are
// kept as they are. suffix is given without its dot.
QString withDefaultSuffix(const QString& path, const QString& suffix);

// The desktop's save dialog, offering name: the path chosen, with the suffix
// added by the dialog itself where it can (so that it asks before
// overwriting the file that will be written) and by withDefaultSuffix
// otherwise; empty when cancelled. It opens in the folder saved to last in
// this run, else beside the log folder shown (saveStartFolder).
// Tells the save dialogs the log folder the viewer shows.
void setShownLogFolder(const QString& folder);
// Where a save dialog opens: the folder saved to last in this run, else
// the log folder's parent (files are offered beside the logs, never into
// the folder the program only reads), else empty (the desktop's choice).
QString saveStartFolder();

// A file name to offer: "zelkam-" what "-" each part, with "/" made "-"
// ("zelkam-rankings-01-07-2001-31-07-2001.csv").
QString offeredFileName(const QString& what, const QStringList& parts, const QString& suffix);
QString askSaveFileName(QWidget* owner, const QString& title, const QString& name, const QString& filter,
                        const QString& suffix);

// Writes bytes as the whole of the file at path, which the user chose. The
// file is named as the system names it (UTF-16 on Windows, where the 8-bit
// code page holds few names), and it changes only when every byte was
// written: a failed save leaves what was there before. False when it could
// not be written.
bool saveWhole(const QString& path, std::string_view bytes);
// The same for a file written a piece at a time: write(produce) hands
// produce the function that writes a piece (false when it could not), and
// the file changes only when produce returned true and every piece was
// written.
bool saveWritten(const QString& path, const std::function<bool(const std::function<bool(std::string_view)>&)>& write);

} // namespace zelkam
