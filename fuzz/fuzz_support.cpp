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

void writeFuzzedFolder(const ScratchFolder& scratch, std::string_view input)
{
    scratch.clear();
    std::size_t start = 0;
    for (int file = 0; file < MaxFuzzedFiles && start <= input.size(); ++file) {
        std::size_t end = input.find('\xff', start);
        if (end == std::string_view::npos)
            end = input.size();
        std::string_view piece = input.substr(start, end - start);
        const char* name = FuzzedFileNames[file];
        if (!piece.empty()) {
            name = FuzzedFileNames[static_cast<unsigned char>(piece[0]) % FuzzedFileNameCount];
            piece.remove_prefix(1);
        }
        scratch.write(name, piece);
        start = end + 1;
    }
}

std::string encodeFuzzedFolder(const std::vector<std::pair<int, std::string>>& files)
{
    std::string input;
    for (std::size_t i = 0; i < files.size() && i < MaxFuzzedFiles; ++i) {
        if (i > 0)
            input += '\xff';
        input += static_cast<char>(files[i].first);
        for (char c : files[i].second) {
            if (c != '\xff')
                input += c;
        }
    }
    return input;
}

} // namespace zelkam::fuzz
