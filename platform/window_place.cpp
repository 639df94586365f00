#include "platform/window_place.h"

#include <QEvent>
#include <QWidget>

#include "platform/settings_store.h"

namespace zelkam {

WindowPlace::WindowPlace(QWidget& window, const char* windowName) : window_(window), windowName_(windowName) {}

WindowPlace::~WindowPlace()
{
    // Runs inside the window's destructor, before its QWidget part goes, so
    // the window can still tell its place. Writing again after a close
    // writes the same values.
    write();
}

void WindowPlace::keepIn(const SettingsStore& store)
{
    store.readWindowPlace(window_, windowName_);
    if (!store_)
        window_.installEventFilter(this);
    store_ = &store;
}

bool WindowPlace::eventFilter(QObject* watched, QEvent* event)
{
    // Before the window's own close handling, which may end the program.
    if (watched == &window_ && event->type() == QEvent::Close)
        write();
    return false;
}

void WindowPlace::write() const
{
    if (store_)
        store_->writeWindowPlace(window_, windowName_);
}

} // namespace zelkam
