#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zelkam::test {

// A fresh directory under the system's temporary folder, removed with
// everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string string() const { return path_.string(); }

    // Writes (or replaces) a file with exactly these bytes; returns its path.
    std::filesystem::path write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// "L MM/DD/YYYY - HH:MM:SS: " followed by rest and a line feed: one log line.
std::string lineAt(std::string_view date, std::string_view time, std::string_view rest);

} // namespace zelkam::test
