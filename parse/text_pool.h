#pragma once

#include <atomic>
#include <cstdint>

namespace zelkam {

// How much memory the decoded archive content the whole process holds may
// cost at once, unless ZELKAM_TEXT_BOUND_MIB says otherwise.
inline constexpr std::uint64_t DefaultTextBound = std::uint64_t{256} << 20;

// What a decoded byte costs once it is parsed: the byte in its event's text
// and its share of the event itself. Measured on a day of one short chat line
// repeated (the costliest kind of text): about 1.7 bytes held for each byte
// decoded. So the default bound holds 128 MiB of archive text at once: the
// heaviest day known, about 120 MB of text (a million lines), fits whole.
inline constexpr std::uint64_t HeldPerDecodedByte = 2;

// The decoded archive content the process holds, counted against one bound
// however many threads decode and however many days a walk has in hand. A
// small archive can expand to gigabytes; counted per read, it would cost the
// bound times the threads. Taking never blocks: what cannot be had is not
// read, and the read says it was cut. Thread-safe.
class TextPool {
public:
    explicit TextPool(std::uint64_t bound) : bound_(bound) {}

    // The pool every parser of the process draws from. Its bound is
    // DefaultTextBound, or ZELKAM_TEXT_BOUND_MIB mebibytes when that
    // environment variable holds a whole number from 1 on.
    static TextPool& process();

    void setBound(std::uint64_t bound) { bound_.store(bound, std::memory_order_relaxed); }
    std::uint64_t bound() const { return bound_.load(std::memory_order_relaxed); }
    std::uint64_t held() const { return held_.load(std::memory_order_relaxed); }

    // Takes up to wanted bytes; returns how many were granted (0 when the
    // pool is spent).
    std::uint64_t take(std::uint64_t wanted);
    void giveBack(std::uint64_t bytes);

private:
    std::atomic<std::uint64_t> bound_;
    std::atomic<std::uint64_t> held_{0};
};

// A share of a pool held by the text of one parser: taken as archives are
// decoded into it, given back when that text is forgotten (release, or the
// holding's end). Not thread-safe itself: one owner at a time.
class TextHolding {
public:
    explicit TextHolding(TextPool& pool = TextPool::process()) : pool_(&pool) {}
    ~TextHolding() { release(); }
    TextHolding(const TextHolding&) = delete;
    TextHolding& operator=(const TextHolding&) = delete;

    // Takes up to wanted more bytes from the pool; returns how many.
    std::uint64_t take(std::uint64_t wanted);
    // Gives back bytes taken but not used.
    void giveBack(std::uint64_t bytes);
    // Takes over what other holds (a window joined from parsers of its own).
    void adopt(TextHolding& other);
    // Gives everything back.
    void release();
    std::uint64_t held() const { return held_; }

private:
    TextPool* pool_;
    std::uint64_t held_ = 0;
};

} // namespace zelkam
