#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include <QString>
#include <Qt>

#include "history/community_walk.h"

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

// What such a window says when its read could not read some files to their
// end (damaged archives, or archive text past its bound while the viewer
// holds a flooded day): "N files could not be read to their end".
QString filesCutShortText(std::size_t files);
// How many files a walk over servers could not read to their end.
std::size_t filesCutShortOf(const std::vector<ServerDays>& servers);

} // namespace zelkam
