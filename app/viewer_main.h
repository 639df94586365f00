#pragma once

#include <optional>
#include <string>

class QApplication;

namespace zelkam {

class SingleInstanceGuard;
class ViewerState;
struct Services;

// The program from its start to its end: the single-instance rule, the
// stored log folder, the main window and its children, the first folder
// load (asking for another folder until one holds logs), the date list and
// the first view, then the event loop.
//
// Returns 0 after the window was closed, 1 when the start was abandoned:
// another instance runs (it was asked to come to the front; the settings
// are not read), a control could not be made, or the user cancelled the
// folder browser before any logs were found. A start given a folder while
// another instance runs hands the folder to it, which opens it as its
// folder button does, and returns 0.
//
// A folder given (from the command line) is loaded for this run instead of
// the stored one, as the folder button loads one: it is not stored.
int runViewer(QApplication& app, ViewerState& state, const Services& services, SingleInstanceGuard& guard,
              const std::optional<std::string>& folder = std::nullopt);

// runViewer with the desktop's own services: the stored settings, the
// folder browser, message boxes and link opening of the platform; folder as
// for runViewer.
int runDesktopViewer(QApplication& app, const std::optional<std::string>& folder = std::nullopt);

} // namespace zelkam
