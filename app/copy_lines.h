#pragma once

#include <string>

#include <QListWidget>
#include <QTreeWidget>

namespace zelkam {

// The lines of a window's list as the clipboard takes them. A list draws a
// stranger's text with direction marks around it and its controls shown,
// which are for the screen only: each item also keeps its line as a
// spreadsheet cell (text_out's clipboard way, as Find All copies), and
// Ctrl+C in the list copies those of the selected items, in the order
// shown, one a line.
inline constexpr int ClipboardLineRole = Qt::UserRole + 0x2c0;

// Keeps line (UTF-8, decoded from the log's bytes, nothing escaped yet) as
// the item's clipboard line.
void setClipboardLine(QListWidgetItem& item, const std::string& line);
void setClipboardLine(QTreeWidgetItem& item, const std::string& line);

// Makes Ctrl+C in the list copy the selected items' clipboard lines.
void copyClipboardLinesOnCtrlC(QListWidget& list);
void copyClipboardLinesOnCtrlC(QTreeWidget& tree);

} // namespace zelkam
