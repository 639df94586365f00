#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace zelkam::fuzz {

// Every target works in local time of a zone with daylight saving, so the
// clock-change paths of the time conversion are reachable.
void useFuzzTimeZone();

// A scratch directory of this process, emptied by clear(), removed at exit.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& path() const { return path_; }
    void clear() const;
    void write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

} // namespace zelkam::fuzz
