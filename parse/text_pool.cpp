#include "parse/text_pool.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string_view>

#include "parse/decimal.h"

namespace zelkam {
namespace {

std::uint64_t boundFromEnvironment()
{
    const char* value = std::getenv("ZELKAM_TEXT_BOUND_MIB");
    if (!value)
        return DefaultTextBound;
    // Anything but a plain whole number from 1 to a million (a terabyte)
    // keeps the default.
    std::uint64_t mebibytes = 0;
    if (!readNumber(value, mebibytes, {false, 1, 1'000'000}))
        return DefaultTextBound;
    return mebibytes << 20;
}

} // namespace

TextPool& TextPool::process()
{
    static TextPool pool(boundFromEnvironment());
    return pool;
}

std::uint64_t TextPool::take(std::uint64_t wanted)
{
    std::uint64_t held = held_.load(std::memory_order_relaxed);
    for (;;) {
        const std::uint64_t bound = bound_.load(std::memory_order_relaxed);
        const std::uint64_t granted = std::min(wanted, bound - std::min(bound, held));
        if (granted == 0)
            return 0;
        if (held_.compare_exchange_weak(held, held + granted, std::memory_order_relaxed))
            return granted;
    }
}

void TextPool::giveBack(std::uint64_t bytes) { held_.fetch_sub(bytes, std::memory_order_relaxed); }

std::uint64_t TextHolding::take(std::uint64_t wanted)
{
    const std::uint64_t granted = pool_->take(wanted);
    held_ += granted;
    return granted;
}

void TextHolding::giveBack(std::uint64_t bytes)
{
    bytes = std::min(bytes, held_);
    held_ -= bytes;
    pool_->giveBack(bytes);
}

void TextHolding::adopt(TextHolding& other)
{
    if (&other == this)
        return;
    if (other.pool_ != pool_) {
        // Held elsewhere: take the same share here and let the other go.
        held_ += pool_->take(other.held_);
        other.release();
        return;
    }
    held_ += other.held_;
    other.held_ = 0;
}

void TextHolding::release()
{
    pool_->giveBack(held_);
    held_ = 0;
}

} // namespace zelkam
