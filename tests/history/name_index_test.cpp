#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "history/name_index.h"

namespace zelkam {
namespace {

// A table asked to find or add texts whose hashes collide on purpose (one
// hash for every text of a bucket), across the rebuilds of its growth: each
// text gets the index it was first added under, whatever came between.
TEST(IndexTable, FindOrAddKeepsTheFirstIndexOfEachTextThroughCollisionsAndGrowth)
{
    for (const std::uint32_t buckets : {1u, 7u, 100000u}) {
        SCOPED_TRACE(buckets);
        IndexTable table;
        std::vector<std::string> texts;
        std::map<std::string, std::uint32_t> expected;
        for (int round = 0; round < 3; ++round) {
            for (int i = 0; i < 500; i += round + 1) {
                const std::string text = "t" + std::to_string(i);
                const std::uint32_t hash = static_cast<std::uint32_t>(i) % buckets;
                const auto made = static_cast<std::uint32_t>(texts.size());
                const std::uint32_t found =
                    table.findOrAdd(hash, made, [&](std::uint32_t at) { return texts[at] == text; });
                const auto known = expected.find(text);
                if (known == expected.end()) {
                    ASSERT_EQ(found, IndexTable::Missing) << text;
                    texts.push_back(text);
                    expected[text] = made;
                } else {
                    ASSERT_EQ(found, known->second) << text;
                }
                ASSERT_EQ(table.find(hash, [&](std::uint32_t at) { return texts[at] == text; }), expected[text]);
            }
        }
        EXPECT_EQ(table.size(), expected.size());
    }
}

// A list's names taken in batches, with repeats inside a batch and across
// batches, on both sides of the few names read through: addAllTo keeps
// each name once in order of first use, and missingOf names exactly the
// places of those a list lacks, as reading the list through would.
TEST(NameIndex, BatchesKeepEachNameOnceInOrderOfFirstUse)
{
    const std::vector<std::vector<std::string>> batches = {
        {"a", "b", "a", "c"},
        {"c", "d", "e", "f", "g", "h", "i", "j", "k", "d"},
        {"k", "l", "a", "m", "l"},
    };
    for (const std::size_t repeat : {std::size_t{1}, std::size_t{400}}) {
        SCOPED_TRACE(repeat);
        NameIndex index;
        LargeVector<std::string> names;
        std::vector<std::string> expected;
        for (std::size_t r = 0; r < repeat; ++r) {
            for (const std::vector<std::string>& texts : batches) {
                std::vector<std::string> owned;
                for (const std::string& text : texts)
                    owned.push_back(r == 0 ? text : text + std::to_string(r % 50));
                LargeVector<std::string_view> batch(owned.begin(), owned.end());

                std::vector<std::uint32_t> missing;
                index.missingOf(names, batch, missing);
                std::vector<std::uint32_t> lacking;
                for (std::uint32_t i = 0; i < batch.size(); ++i) {
                    if (std::find(expected.begin(), expected.end(), batch[i]) == expected.end())
                        lacking.push_back(i);
                }
                ASSERT_EQ(missing, lacking);

                index.addAllTo(names, batch);
                for (const std::string& text : owned) {
                    if (std::find(expected.begin(), expected.end(), text) == expected.end())
                        expected.push_back(text);
                }
                ASSERT_EQ(std::vector<std::string>(names.begin(), names.end()), expected);
                ASSERT_FALSE(index.addTo(names, owned.back()));
            }
        }
    }
}

} // namespace
} // namespace zelkam
