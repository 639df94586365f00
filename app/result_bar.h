#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include <QString>
#include <Qt>

#include "history/community_walk.h"
#include "ingest/window_reader.h"

class QHBoxLayout;
class QProgressBar;
class QPushButton;
class QWidget;

namespace zelkam {

// The bottom row of a window that lists what a read off the window's thread
// finds (Find All, Rankings): a progress bar, Stop, Copy and Save..., with
// Escape closing the window and the copy key on the list copying, so that
// every such window answers the same keys the same way.
struct ResultBar {
    QProgressBar* progress = nullptr;
    QPushButton* stop = nullptr;
    QPushButton* copy = nullptr;
    QPushButton* save = nullptr;
    QHBoxLayout* layout = nullptr;
};

// Makes the row's widgets as children of window; the copy key works on list
// within copyContext (the list alone, or the list and its children).
ResultBar makeResultBar(QWidget& window, QWidget& list, Qt::ShortcutContext copyContext,
                        const std::function<void()>& stop, const std::function<void()>& copy,
                        const std::function<void()>& save);

// The files such a window's walk could not read to their end, and whether
// any stopped at the bound on archive text held at once (which the day
// the viewer shows may hold whole, when it is a flooded one).
struct CutShortFiles {
    std::size_t files = 0;
    bool overBound = false;

    // Those of another walk's files too.
    CutShortFiles& operator+=(const CutShortFiles& other)
    {
        files += other.files;
        overBound = overBound || other.overBound;
        return *this;
    }
};
CutShortFiles cutShortOf(const std::vector<WindowReader::FileCutShort>& files);
CutShortFiles cutShortOf(const std::vector<ServerDays>& servers);
// What two walks over the same files could not read: the more files.
CutShortFiles eitherCutShort(const CutShortFiles& a, const CutShortFiles& b);
// What the window says of them: "N files could not be read to their end",
// and how to raise the bound when it was reached.
QString filesCutShortText(const CutShortFiles& cut);

} // namespace zelkam
