#include "app/result_bar.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>

namespace zelkam {

ResultBar makeResultBar(QWidget& window, QWidget& list, Qt::ShortcutContext copyContext,
                        const std::function<void()>& stop, const std::function<void()>& copy,
                        const std::function<void()>& save)
{
    ResultBar bar;
    bar.progress = new QProgressBar(&window);
    bar.progress->setRange(0, 1);
    bar.progress->setValue(0);
    bar.stop = new QPushButton(QStringLiteral("&Stop"), &window);
    bar.copy = new QPushButton(QStringLiteral("C&opy"), &window);
    bar.save = new QPushButton(QStringLiteral("Sa&ve..."), &window);
    QObject::connect(bar.stop, &QPushButton::clicked, &window, stop);
    QObject::connect(bar.copy, &QPushButton::clicked, &window, copy);
    QObject::connect(bar.save, &QPushButton::clicked, &window, save);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    QObject::connect(escape, &QShortcut::activated, &window, &QWidget::close);
    auto* copyKey = new QShortcut(QKeySequence::Copy, &list);
    copyKey->setContext(copyContext);
    QObject::connect(copyKey, &QShortcut::activated, &window, copy);

    bar.layout = new QHBoxLayout;
    bar.layout->addWidget(bar.progress, 1);
    bar.layout->addWidget(bar.stop);
    bar.layout->addWidget(bar.copy);
    bar.layout->addWidget(bar.save);
    return bar;
}

QString filesCutShortText(std::size_t files)
{
    return QStringLiteral("%1 files could not be read to their end").arg(files);
}

std::size_t filesCutShortOf(const std::vector<ServerDays>& servers)
{
    std::size_t files = 0;
    for (const ServerDays& server : servers)
        files += server.days.filesCutShort.size();
    return files;
}

} // namespace zelkam
