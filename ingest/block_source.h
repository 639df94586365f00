#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

#include "parse/text_pool.h"

namespace zelkam {

// How a log file's bytes are stored: as written by the server, or rotated
// into an archive by the admin's tools (gzip, xz, zstd).
enum class Compression { None, Gzip, Xz, Zstd };

// The compression a log file's name says it has: ".gz", ".xz" or ".zst" at
// its end, letter case ignored; None for any other name.
Compression compressionOfName(std::string_view name);

// The name without its compression suffix: "L0706000.log" for
// "L0706000.log.gz" and for "L0706000.log". Archived files are named,
// dated and paired with their plain twins by this name.
std::string_view uncompressedName(std::string_view name);

// How the reading of a file ended.
enum class ReadEnd {
    // Every byte of the content was read.
    Complete,
    // The archive is damaged or cut short: what came before the fault was
    // read, the rest cannot be.
    Damaged,
    // The content ran past the output bound: what came before the bound was
    // read, the rest was not.
    Bounded,
    // The process's pool of decoded text was spent (TextPool): what came
    // before was read, the rest was not.
    OverPool,
    // The system reported a read error.
    Unreadable,
};

// Decompressed content stops at this many bytes per file: an archive of a
// few kilobytes can expand to terabytes, and nothing a server wrote in a day
// comes near it.
inline constexpr std::uint64_t DefaultOutputBound = std::uint64_t{4} << 30;

// The content of one log file, handed out in blocks. Whether the file is
// plain or an archive makes no difference to the reader: it gets the bytes
// the server wrote, in order, streaming, in buffers it owns.
class BlockSource {
public:
    virtual ~BlockSource();
    BlockSource(const BlockSource&) = delete;
    BlockSource& operator=(const BlockSource&) = delete;

    // Fills buffer with up to capacity (at least 1) further bytes of the
    // content and returns how many; 0 once the content has ended, for good.
    virtual std::size_t read(char* buffer, std::size_t capacity) = 0;

    // How the content ended; Complete while it has not.
    ReadEnd end() const { return end_; }
    // Bytes of content handed out so far.
    std::uint64_t delivered() const { return delivered_; }
    // The open file the content comes from, for a look at its status.
    std::FILE* file() const { return file_; }
    // Counts what an archive decodes from here on against holding (a
    // parser's share of the process's text pool); once the pool is spent
    // the content ends, as OverPool. Plain files are not counted: their
    // size is what the server wrote, not what a stranger packed.
    void countAgainst(TextHolding& holding) { holding_ = &holding; }

protected:
    explicit BlockSource(std::FILE* file) : file_(file) {}

    std::FILE* file_;
    TextHolding* holding_ = nullptr;
    ReadEnd end_ = ReadEnd::Complete;
    std::uint64_t delivered_ = 0;
};

// The content of an open file stored as compression says; the source takes
// the file over and closes it. A decompressing source reads the file
// inputChunk bytes at a time (smaller for a look at the first line only)
// and ends its content after outputBound bytes.
std::unique_ptr<BlockSource> makeBlockSource(std::FILE* file, Compression compression,
                                             std::uint64_t outputBound = DefaultOutputBound,
                                             std::size_t inputChunk = std::size_t{1} << 16);

// Reads from source until buffer is full or the content ends; returns the
// bytes read.
std::size_t readUpTo(BlockSource& source, char* buffer, std::size_t size);

} // namespace zelkam
