#include "app/server_column.h"

#include <QHeaderView>

namespace zelkam {

void setUpLinesWithServer(QTreeWidget& tree, const QString& linesHeader)
{
    tree.setColumnCount(2);
    tree.setHeaderLabels({linesHeader, QStringLiteral("Server")});
    // The server, short, is read first; a line stretched to the window
    // would be cut at its edge.
    tree.header()->moveSection(tree.header()->visualIndex(LinesServerColumn), 0);
    tree.setTreePosition(0);
    tree.header()->setStretchLastSection(false);
    tree.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    showServerColumn(tree, false);
}

void showServerColumn(QTreeWidget& tree, bool community)
{
    tree.setHeaderHidden(!community);
    tree.setColumnHidden(LinesServerColumn, !community);
}

} // namespace zelkam
