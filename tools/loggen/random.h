#pragma once

#include <cstdint>

namespace zelkam {

// A small, fast pseudo-random generator (xoshiro256**, seeded through
// splitmix64) whose every output depends only on the seed. The standard
// distributions are avoided on purpose: their results differ between library
// implementations, and generated folders must be byte-identical everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed)
    {
        for (std::uint64_t& word : state_) {
            seed += 0x9e3779b97f4a7c15u;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t next()
    {
        const std::uint64_t result = rotate(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = rotate(state_[3], 45);
        return result;
    }

    // Uniform in [0, bound), by multiply-and-shift; 0 when bound is 0.
    std::uint32_t below(std::uint32_t bound)
    {
        return static_cast<std::uint32_t>(((next() >> 32) * bound) >> 32);
    }

    // Uniform in [low, high]; the span must fit in 32 bits.
    std::int64_t between(std::int64_t low, std::int64_t high)
    {
        if (high <= low)
            return low;
        return low + below(static_cast<std::uint32_t>(high - low + 1));
    }

    // Uniform in [0, 1): the top 53 bits scaled exactly, so the same on every
    // IEEE machine.
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    bool chance(double probability) { return unit() < probability; }

private:
    static std::uint64_t rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::uint64_t state_[4];
};

} // namespace zelkam
