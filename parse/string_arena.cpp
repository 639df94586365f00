#include "parse/string_arena.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace zelkam {

StringArena::StringArena()
{
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(BlockSize));
}

char* StringArena::allocate(std::size_t n)
{
    if (n > BlockSize)
        return nullptr;
    if (used_ + n > BlockSize) {
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(BlockSize));
        used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
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
    // The adopted blocks go before the current one, which stays last so that
    // allocate() keeps filling it.
    blocks_.insert(blocks_.end() - 1, std::make_move_iterator(other.blocks_.begin()),
                   std::make_move_iterator(other.blocks_.end()));
    other.blocks_.clear();
    other.blocks_.push_back(std::make_unique_for_overwrite<char[]>(BlockSize));
    other.used_ = 0;
}

void StringArena::reset()
{
    blocks_.resize(1);
    used_ = 0;
}

} // namespace zelkam
