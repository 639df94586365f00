#include "tests/support/temp_folder.h"

#include <atomic>
#include <fstream>
#include <random>
#include <system_error>

namespace zelkam::test {

TempFolder::TempFolder()
{
    static std::atomic<unsigned> counter{0};
    std::random_device seed;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("zelkam-test-" + std::to_string(seed()) + "-" + std::to_string(counter++));
        std::error_code error;
        if (std::filesystem::create_directory(path_, error))
            break;
    }
}

TempFolder::~TempFolder()
{
    std::error_code error;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 error);
    std::filesystem::remove_all(path_, error);
}

std::filesystem::path TempFolder::write(std::string_view name, std::string_view bytes) const
{
    const auto file = path_ / std::string(name);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

std::string lineAt(std::string_view date, std::string_view time, std::string_view rest)
{
    std::string line = "L ";
    line += date;
    line += " - ";
    line += time;
    line += ": ";
    line += rest;
    line += '\n';
    return line;
}

} // namespace zelkam::test
