#include "parse/string_arena.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "parse/large_memory.h"

namespace zelkam {

StringArena::StringArena() : first_(std::make_unique_for_overwrite<char[]>(BlockSize)), current_(first_.get()) {}

StringArena::~StringArena()
{
    giveBackLarge();
}

char* StringArena::allocate(std::size_t n)
{
    if (n > BlockSize)
        return nullptr;
    if (used_ + n > currentSize_) {
        current_ = static_cast<char*>(takeLargeBlock());
        large_.push_back(current_);
        currentSize_ = LargeAllocationBytes;
        used_ = 0;
    }
    char* at = current_ + used_;
    used_ += n;
    return at;
}

const char* StringArena::copyString(std::string_view s)
{
    return copyPrefix(s, s.size());
}

const char* StringArena::copyPrefix(std::string_view s, std::size_t n)
{
    const std::size_t length = std::min(n, s.size());
    char* copy = allocate(length + 1);
    if (!copy)
        return nullptr;
    if (length > 0)
        std::memcpy(copy, s.data(), length);
    copy[length] = '\0';
    return copy;
}

void StringArena::adopt(StringArena& other)
{
    if (&other == this)
        return;
    // The other arena's first block is swapped for a fresh one and kept
    // here among the large ones' owners; this arena goes on filling its own
    // current block.
    adopted_.push_back(std::move(other.first_));
    other.first_ = std::make_unique_for_overwrite<char[]>(BlockSize);
    // Its large blocks go before this arena's current one, which stays last
    // so that allocate() keeps filling it.
    const auto at = current_ == first_.get() ? large_.end() : large_.end() - 1;
    large_.insert(at, other.large_.begin(), other.large_.end());
    other.large_.clear();
    other.current_ = other.first_.get();
    other.currentSize_ = BlockSize;
    other.used_ = 0;
}

void StringArena::reset()
{
    giveBackLarge();
    adopted_.clear();
    current_ = first_.get();
    currentSize_ = BlockSize;
    used_ = 0;
}

void StringArena::giveBackLarge()
{
    for (char* block : large_)
        giveBackLargeBlock(block);
    large_.clear();
}

} // namespace zelkam
