#include "app/result_bar.h"

#include <algorithm>

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

CutShortFiles cutShortOf(const std::vector<WindowReader::FileCutShort>& files)
{
    CutShortFiles cut;
    cut.files = files.size();
    for (const WindowReader::FileCutShort& file : files)
        cut.overBound = cut.overBound || file.end == ReadEnd::OverPool;
    return cut;
}

CutShortFiles cutShortOf(const std::vector<ServerDays>& servers)
{
    CutShortFiles cut;
    for (const ServerDays& server : servers)
        cut += cutShortOf(server.days.filesCutShort);
    return cut;
}

CutShortFiles eitherCutShort(const CutShortFiles& a, const CutShortFiles& b)
{
    return {std::max(a.files, b.files), a.overBound || b.overBound};
}

QString filesCutShortText(const CutShortFiles& cut)
{
    return QStringLiteral("%1 files could not be read to their end").arg(cut.files)
           + (cut.overBound ? QStringLiteral(" (the archive text held at once reached its bound: show a smaller day, "
                                             "or raise it with ZELKAM_TEXT_BOUND_MIB)")
                            : QString());
}

} // namespace zelkam
