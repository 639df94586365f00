#pragma once

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
// folder browser before any logs were found.
int runViewer(QApplication& app, ViewerState& state, const Services& services, SingleInstanceGuard& guard);

// runViewer with the desktop's own services: the stored settings, the
// folder browser, message boxes and link opening of the platform.
int runDesktopViewer(QApplication& app);

} // namespace zelkam
