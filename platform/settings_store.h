#pragma once

#include <string>

class QWidget;

namespace zelkam {

// What the viewer remembers between runs, in the per-user settings store of
// the application "Zelkam" (on Windows the registry key
// HKEY_CURRENT_USER\Software\Zelkam, elsewhere Qt's native per-user store,
// e.g. ~/.config/Zelkam.conf): the log folder, as the value "Log Directory",
// and the size and place of every window that keeps them (window_place.h).
// The store is made only by the first reading of the log folder; everything
// else is written only into a store that exists.
class SettingsStore {
public:
    // Fills folder from the store. When the store does not exist yet it is
    // created with "." (the start directory) and folder becomes ".". When it
    // exists but holds no usable value (missing, not a text) folder is left
    // as it was. A path of any length is read.
    void readLogFolder(std::string& folder) const;
    // Stores folder, but only into a store that exists already; nothing is
    // created or reported otherwise.
    void writeLogFolder(const std::string& folder) const;

    // Gives window the size and place kept under windowName: the size from
    // the value "<windowName> Size" when it is a usable size (cut to the
    // window's screen, never below the window's minimum), then the place
    // from "<windowName> Place" on a screen that still exists (Qt moves a
    // place on a screen that is gone onto one that is there), the size kept.
    // What is missing or unusable leaves the window as it was.
    void readWindowPlace(QWidget& window, const char* windowName) const;
    // Keeps window's size and place under windowName, only into a store that
    // exists.
    void writeWindowPlace(const QWidget& window, const char* windowName) const;

    // A choice the user turns on or off, kept as the value valueName ("Hide
    // Addresses"). False, with on untouched, when none is stored; written,
    // as the rest, only into a store that exists.
    bool readSwitch(const char* valueName, bool& on) const;
    void writeSwitch(const char* valueName, bool on) const;

    // The server of a community the viewer showed last, by its folder's
    // name (the value "Server", kept as the name's bytes); empty when none
    // is stored. Written, as the rest, only into a store that exists. A
    // window that chooses a server of its own keeps it under a value name
    // of its own ("Rankings Server").
    std::string readServer(const char* valueName = "Server") const;
    void writeServer(const std::string& name, const char* valueName = "Server") const;
};

} // namespace zelkam
