#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace zelkam {

// Append-only storage for the names and texts of one window read, handed
// out from 65,536-byte blocks and released all at once. Strings never move:
// a pointer stays valid until reset() or destruction.
class StringArena {
public:
    static constexpr std::size_t BlockSize = 65536;

    StringArena();

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

    std::size_t blockCount() const { return blocks_.size(); }
    const char* firstBlock() const { return blocks_.front().get(); }
    // Bytes handed out from the last block.
    std::size_t bytesUsed() const { return used_; }

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t used_ = 0;
};

} // namespace zelkam
