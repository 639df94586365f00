#pragma once

#include <QString>
#include <QTreeWidget>

namespace zelkam {

// The column a list of lines names each line's server in.
inline constexpr int LinesServerColumn = 1;

// Makes tree a list of lines headed linesHeader with a Server column drawn
// before them, as zelkam-cli puts a community's server first; the lines
// stay the tree's column 0 (its branches, its text and copies). Each
// column is as wide as its text: a line wider than the window scrolls
// sideways rather than ending in an ellipsis.
void setUpLinesWithServer(QTreeWidget& tree, const QString& linesHeader);
// Shows the Server column and the header on a community only: a single
// server's lines read as they always did.
void showServerColumn(QTreeWidget& tree, bool community);

} // namespace zelkam
