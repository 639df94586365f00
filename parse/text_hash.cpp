#include "parse/text_hash.h"

#include <chrono>
#include <cstring>
#include <random>

namespace zelkam {
namespace {

struct HashKey {
    std::uint64_t seed = 0;
    std::uint64_t first = 0;
    std::uint64_t second = 0;
    std::uint64_t last = 0;
};

#if defined(__SIZEOF_INT128__)
__extension__ using Wide = unsigned __int128;
#endif

// The 128-bit product of a and b, its halves folded together: each bit of
// the high half depends on every bit of both.
std::uint64_t foldedProduct(std::uint64_t a, std::uint64_t b)
{
#if defined(__SIZEOF_INT128__)
    const Wide product = static_cast<Wide>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
#else
    const std::uint64_t aLow = a & 0xFFFFFFFFu;
    const std::uint64_t aHigh = a >> 32;
    const std::uint64_t bLow = b & 0xFFFFFFFFu;
    const std::uint64_t bHigh = b >> 32;
    const std::uint64_t lowLow = aLow * bLow;
    const std::uint64_t highLow = aHigh * bLow;
    const std::uint64_t lowHigh = aLow * bHigh;
    const std::uint64_t middle = (lowLow >> 32) + (highLow & 0xFFFFFFFFu) + (lowHigh & 0xFFFFFFFFu);
    const std::uint64_t low = (middle << 32) | (lowLow & 0xFFFFFFFFu);
    const std::uint64_t high = aHigh * bHigh + (highLow >> 32) + (lowHigh >> 32) + (middle >> 32);
    return low ^ high;
#endif
}

// Drawn once, the first time anything is hashed. Where the system has no
// source of randomness, the time and where the program was loaded still
// differ from run to run.
HashKey drawKey()
{
    std::uint64_t words[4] = {};
    try {
        std::random_device device;
        for (std::uint64_t& word : words)
            word = std::uint64_t{device()} << 32 ^ device();
    } catch (...) {
    }
    const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const auto place = reinterpret_cast<std::uintptr_t>(&words);
    std::uint64_t stir = now ^ static_cast<std::uint64_t>(place) << 16;
    for (std::uint64_t& word : words) {
        stir = foldedProduct(stir ^ 0x9E3779B97F4A7C15ull, 0xD6E8FEB86659FD93ull);
        word ^= stir;
    }
    // An odd multiplier never loses bits.
    return HashKey{words[0], words[1] | 1, words[2] | 1, words[3] | 1};
}

const HashKey& processKey()
{
    static const HashKey key = drawKey();
    return key;
}

std::uint64_t load64(const char* bytes)
{
    std::uint64_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

std::uint64_t load32(const char* bytes)
{
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

} // namespace

std::uint64_t hashText(std::string_view text)
{
    const HashKey& key = processKey();
    const char* bytes = text.data();
    const std::size_t size = text.size();
    // The length goes in first: the loads of a short tail overlap, so two
    // texts of different lengths may load the same numbers.
    std::uint64_t hash = key.seed ^ size * 0x9E3779B97F4A7C15ull;
    std::size_t at = 0;
    for (; at + 16 <= size; at += 16)
        hash = foldedProduct(load64(bytes + at) ^ key.first ^ hash, load64(bytes + at + 8) ^ key.second);
    // The last bytes in fixed-size loads, overlapping what came before.
    const std::size_t rest = size - at;
    if (rest > 0) {
        const char* tail = bytes + at;
        const char* end = bytes + size;
        std::uint64_t a;
        std::uint64_t b = 0;
        if (rest >= 8) {
            a = load64(tail);
            b = load64(end - 8);
        } else if (rest >= 4) {
            a = load32(tail) | load32(end - 4) << 32;
        } else {
            const auto byte = [](char c) { return std::uint64_t{static_cast<unsigned char>(c)}; };
            a = byte(tail[0]) << 16 | byte(tail[rest / 2]) << 8 | byte(end[-1]);
        }
        hash = foldedProduct(a ^ key.first ^ hash, b ^ key.second);
    }
    return foldedProduct(hash, key.last);
}

std::uint64_t hashNumber(std::uint64_t number)
{
    const HashKey& key = processKey();
    return foldedProduct(number ^ key.seed, key.last);
}

} // namespace zelkam
