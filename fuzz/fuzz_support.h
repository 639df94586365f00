#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelkam::fuzz {

// The step program at the head of a fuzz input: read byte by byte, and past
// its end every byte reads as 0, so any input is a whole program.
class FuzzProgram {
public:
    FuzzProgram(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::int32_t word()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | byte();
        return static_cast<std::int32_t>(value);
    }
    std::string_view text(std::size_t length)
    {
        const std::size_t start = at_ < size_ ? at_ : size_;
        const std::size_t take = length < size_ - start ? length : size_ - start;
        at_ = start + take;
        return {reinterpret_cast<const char*>(data_) + start, take};
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

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

// The log folder a fuzz input stands for: up to MaxFuzzedFiles files, the
// pieces of the input between 0xFF bytes. The first byte of a piece picks the
// file's name from FuzzedFileNames (modulo their count); an empty piece is an
// empty file under the name of its position. The names are those of three
// days around a month's end and a year's end, with a second running number
// and one written in other letter case.
inline constexpr int MaxFuzzedFiles = 4;
inline constexpr const char* FuzzedFileNames[] = {"L0131000.log", "L0131001.log", "L0201000.log",
                                                   "L0201001.log", "L0202000.log", "l0131002.LOG",
                                                   "L1231000.log", "L0101000.log"};
inline constexpr int FuzzedFileNameCount = 8;

// Empties the scratch folder and writes the files of input into it.
void writeFuzzedFolder(const ScratchFolder& scratch, std::string_view input);

// The input that writeFuzzedFolder turns into these files, each given by the
// index of its name and its bytes (0xFF bytes, which would split it, are
// left out). For the seed corpora.
std::string encodeFuzzedFolder(const std::vector<std::pair<int, std::string>>& files);

} // namespace zelkam::fuzz
