#include "parse/text_hash.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace zelkam {
namespace {

using namespace std::string_literals;

// The bytes of a text are read in overlapping loads at its tail: texts
// that share those loads but differ in length or in a byte one load alone
// reads must not meet, and a text hashes alike wherever it lies in memory
// and whatever follows it there.
TEST(TextHash, TextsAlikeInTheirLoadsHashApartAndATextAlikeAnywhere)
{
    const std::vector<std::string> texts = {
        ""s,        "\0"s,       "\0\0"s,        "a"s,         "a\0"s,       "ab"s,
        "ba"s,      "abc"s,      "acc"s,         "abcd"s,      "abce"s,      "abcdabcd"s,
        "abcdabc"s, "abcdabcde"s, "abcdabcdf"s,  "bbcdabcde"s, "0123456789abcdef"s,
        "0123456789abcdeF"s,     "0123456789abcdef0"s,          "1123456789abcdef0"s,
        "0123456789abcdef01234567"s,             "0123456789abcdef01234568"s,
        "Name0"s,   "Name1"s,    "Name00"s,      "STEAM_0:1:42"s, "STEAM_1:1:42"s,
    };
    std::set<std::uint64_t> hashes;
    for (const std::string& text : texts) {
        hashes.insert(hashText(text));
        // The same bytes inside a longer buffer, with other bytes after.
        const std::string padded = "#" + text + "~~~~~~~~~~~~~~~~";
        EXPECT_EQ(hashText(std::string_view(padded).substr(1, text.size())), hashText(text)) << text;
        EXPECT_EQ(TextHash{}(text), static_cast<std::size_t>(hashText(text)));
    }
    EXPECT_EQ(hashes.size(), texts.size());
}

// The tables take their slots from a hash's low bits: names alike in all
// but a few bytes ("Name1" to "Name80000", a day of renames) must spread
// over them, as must account numbers one after another.
TEST(TextHash, NamesAndNumbersOneAfterAnotherSpreadOverATablesSlots)
{
    constexpr std::uint32_t Slots = 1u << 17;
    constexpr std::uint32_t Count = 80000;
    const auto mostInOneSlot = [&](auto hashOf) {
        std::vector<std::uint16_t> used(Slots);
        std::uint16_t most = 0;
        for (std::uint32_t i = 0; i < Count; ++i) {
            const std::uint64_t hash = hashOf(i);
            most = std::max(most, ++used[static_cast<std::uint32_t>(hash ^ hash >> 32) % Slots]);
        }
        return most;
    };
    // About 0.6 a slot: a slot of more than a dozen is a hash that keeps
    // such names together.
    EXPECT_LE(mostInOneSlot([](std::uint32_t i) { return hashText("Name" + std::to_string(i)); }), 12);
    EXPECT_LE(mostInOneSlot([](std::uint32_t i) { return hashNumber(i); }), 12);
    EXPECT_LE(mostInOneSlot([](std::uint32_t i) { return hashNumber(std::uint64_t{i} << 20); }), 12);
}

} // namespace
} // namespace zelkam
