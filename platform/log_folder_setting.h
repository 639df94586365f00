#pragma once

#include <cstddef>
#include <string>

namespace zelkam {

// The program's one persistent setting: the log folder, kept as the value
// "Log Directory" in the per-user settings store of the application
// "Zelkam" (on Windows the registry key HKEY_CURRENT_USER\Software\Zelkam,
// elsewhere Qt's native per-user store, e.g. ~/.config/Zelkam.conf).
class LogFolderSetting {
public:
    // Longest folder path kept, in bytes; longer stored values are ignored.
    static constexpr std::size_t MaxLength = 259;

    // Fills folder from the store. When the store does not exist yet it is
    // created with "." (the start directory) and folder becomes ".". When it
    // exists but holds no usable value (missing, not a text, longer than
    // MaxLength) folder is left as it was.
    void read(std::string& folder) const;
    // Stores folder, but only into a store that exists already; nothing is
    // created or reported otherwise.
    void write(const std::string& folder) const;
};

} // namespace zelkam
