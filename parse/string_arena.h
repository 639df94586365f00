#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace zelkam {

// Append-only storage for the names and texts of one window read, handed
// out from blocks and released all at once. Strings never move: a pointer
// stays valid until reset() or destruction. The first block holds 65,536
// bytes, enough for a few lines; an arena that outgrows it continues in
// large blocks (takeLargeBlock), so a crowded day's names cost a few huge
// pages, and a process reading day after day reuses the same memory.
class StringArena {
public:
    // The longest allocation, and the first block's size.
    static constexpr std::size_t BlockSize = 65536;

    StringArena();
    ~StringArena();
    StringArena(const StringArena&) = delete;
    StringArena& operator=(const StringArena&) = delete;

    // n bytes of fresh storage, or null when n exceeds BlockSize. When the
    // current block cannot hold n more bytes a new block is started and the
    // rest of the old one is left unused.
    char* allocate(std::size_t n);

    // A NUL-terminated copy of s; null only when s is too long for a block.
    const char* copyString(std::string_view s);

    // A NUL-terminated copy of at most the first n bytes of s.
    const char* copyPrefix(std::string_view s, std::size_t n);

    // Takes over every block of other, so the strings handed out by other
    // live as long as this arena's own; writing goes on in this arena's
    // current block. other is left empty, with a fresh block of its own.
    // A window parsed in pieces on several threads joins its texts this way.
    void adopt(StringArena& other);

    // Forgets every string handed out: all blocks but the first are
    // released and writing starts again at the first block's start.
    void reset();

    std::size_t blockCount() const { return 1 + adopted_.size() + large_.size(); }
    const char* firstBlock() const { return first_.get(); }
    // Bytes handed out from the last block.
    std::size_t bytesUsed() const { return used_; }

private:
    void giveBackLarge();

    std::unique_ptr<char[]> first_;
    // The first blocks of arenas adopted since the last reset.
    std::vector<std::unique_ptr<char[]>> adopted_;
    // Blocks of LargeAllocationBytes, this arena's and adopted ones; when
    // the block being filled is a large one, it is the last.
    std::vector<char*> large_;
    // The block being filled and its size.
    char* current_ = nullptr;
    std::size_t currentSize_ = BlockSize;
    std::size_t used_ = 0;
};

} // namespace zelkam
