#include "app/copy_lines.h"

#include <functional>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTreeWidgetItemIterator>

#include "text/text_out.h"

namespace zelkam {
namespace {

QString cellOf(const std::string& line)
{
    const std::string cell = spreadsheetCell(line);
    return QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
}

void copyLines(const QStringList& lines)
{
    if (lines.isEmpty())
        return;
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

} // namespace

void setClipboardLine(QListWidgetItem& item, const std::string& line) { item.setData(ClipboardLineRole, cellOf(line)); }

void setClipboardLine(QTreeWidgetItem& item, const std::string& line)
{
    item.setData(0, ClipboardLineRole, cellOf(line));
}

namespace {

// Takes the view's own Ctrl+C, which would copy the drawn text of the
// current item, before the view sees it.
class CopyKeyFilter : public QObject {
public:
    CopyKeyFilter(QAbstractItemView& view, std::function<QStringList()> lines)
        : QObject(&view), lines_(std::move(lines))
    {
        view.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool press = event->type() == QEvent::KeyPress;
        if ((press || event->type() == QEvent::ShortcutOverride) &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
            if (press)
                copyLines(lines_());
            event->accept();
            return press;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<QStringList()> lines_;
};

} // namespace

void copyClipboardLinesOnCtrlC(QListWidget& list)
{
    new CopyKeyFilter(list, [&list] {
        QStringList lines;
        for (int row = 0; row < list.count(); ++row) {
            if (list.item(row)->isSelected())
                lines << list.item(row)->data(ClipboardLineRole).toString();
        }
        if (lines.isEmpty() && list.currentItem())
            lines << list.currentItem()->data(ClipboardLineRole).toString();
        return lines;
    });
}

void copyClipboardLinesOnCtrlC(QTreeWidget& tree)
{
    new CopyKeyFilter(tree, [&tree] {
        QStringList lines;
        for (QTreeWidgetItemIterator at(&tree, QTreeWidgetItemIterator::Selected); *at; ++at)
            lines << (*at)->data(0, ClipboardLineRole).toString();
        if (lines.isEmpty() && tree.currentItem())
            lines << tree.currentItem()->data(0, ClipboardLineRole).toString();
        return lines;
    });
}

} // namespace zelkam
