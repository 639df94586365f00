#include "fuzz/fuzz_support.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

namespace zelkam::fuzz {

void useFuzzTimeZone()
{
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
}

ScratchFolder::ScratchFolder()
    : path_(std::filesystem::temp_directory_path() / ("zelkam-fuzz-" + std::to_string(getpid())))
{
    std::error_code error;
    std::filesystem::remove_all(path_, error);
    std::filesystem::create_directories(path_, error);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

void ScratchFolder::clear() const
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path_, error))
        std::filesystem::remove_all(entry.path(), error);
}

void ScratchFolder::write(std::string_view name, std::string_view bytes) const
{
    std::ofstream out(path_ / std::string(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace zelkam::fuzz
