#pragma once

#include <string>

namespace zelkam {

// The program's one persistent setting: the log folder, kept as the value
// "Log Directory" in the per-user settings store of the application
// "Zelkam" (on Windows the registry key HKEY_CURRENT_USER\Software\Zelkam,
// elsewhere Qt's native per-user store, e.g. ~/.config/Zelkam.conf). The
// main window's size is kept beside it as a value of its own, "Window Size",
// and so are the sizes of the other windows that remember theirs.
class LogFolderSetting {
public:
    // Fills folder from the store. When the store does not exist yet it is
    // created with "." (the start directory) and folder becomes ".". When it
    // exists but holds no usable value (missing, not a text) folder is left
    // as it was. A path of any length is read.
    void read(std::string& folder) const;
    // Stores folder, but only into a store that exists already; nothing is
    // created or reported otherwise.
    void write(const std::string& folder) const;

    // The main window's size as the user left it. False, with width and
    // height untouched, when none is stored or the stored value is not a
    // size; the store is never created here.
    bool readWindowSize(int& width, int& height) const;
    // Stores the size, but only into a store that exists already, as write.
    void writeWindowSize(int width, int height) const;

    // The same for another window, whose size is kept as the value
    // valueName ("Find All Window Size").
    bool readSize(const char* valueName, int& width, int& height) const;
    void writeSize(const char* valueName, int width, int height) const;

    // A window's saved geometry as the bytes the window gave; empty when
    // none is stored. Written, as the rest, only into a store that exists.
    std::string readGeometry(const char* valueName) const;
    void writeGeometry(const char* valueName, const std::string& bytes) const;

    // The server of a community the viewer showed last, by its folder's
    // name (the value "Server", kept as the name's bytes); empty when none
    // is stored. Written, as the rest, only into a store that exists.
    std::string readServer() const;
    void writeServer(const std::string& name) const;
};

} // namespace zelkam
