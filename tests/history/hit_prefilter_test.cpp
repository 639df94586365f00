#include "history/hit_prefilter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "ingest/thread_group.h"
#include "parse/recognizer.h"
#include "replay/search.h"
#include "tests/support/compression.h"
#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// The look may only rule out a text that the search itself would not find
// the pattern in: every text of the table is compared by the search's own
// comparers with every pattern, in both case settings, and wherever they
// find it the look must say it may. It must also rule some out, or it would
// save nothing.
TEST(HitPrefilter, NeverRulesOutWhatTheSearchFinds)
{
    const std::vector<std::string> texts = {
        "hello there",
        "HELLO THERE",
        "Stra\xC3\x9F" "e",          // "Straße" in UTF-8
        "Stra\xDF" "e",              // the same in the old code page
        "\xE2\x84\xAA" "elvin",      // the Kelvin sign
        "\xC5\xBF" "hip",            // a long s
        "\xEF\xAC\x81" "ne",         // the "fi" ligature
        "\xC4\xB0" "stanbul",        // a dotted capital I
        "caf\xE9 au lait",           // the old code page's "é"
        "caf\xC3\xA9 au lait",
        "\xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1", // Greek, with a capital sigma
        "gg wp", "GG", "g g", "zqxjv", "ZQXJV", "",
    };
    const std::vector<std::string> patterns = {
        "hello", "HeLLo", "strasse", "STRASSE", "straße", "kelvin", "ship", "fine", "FINE", "istanbul",
        "i\xCC\x87" "stanbul", "café", "CAFÉ", "caf\xE9", "σοφία", "gg", "g", "zqxjv", "e", "",
    };
    int ruledOut = 0;
    for (const bool matchCase : {false, true}) {
        for (const std::string& pattern : patterns) {
            const HitPrefilter look(SearchKind::Chat, pattern, matchCase);
            const std::string prepared = prepareSearchPattern(pattern, matchCase);
            for (const std::string& text : texts) {
                ExactCaseComparer exact;
                FoldedCaseComparer folded;
                TextComparer& comparer = matchCase ? static_cast<TextComparer&>(exact) : folded;
                const bool found = comparer.contains(text.c_str(), prepared);
                const bool may = look.mayHit(text);
                EXPECT_TRUE(!found || may) << "pattern \"" << pattern << "\" text \"" << text << "\" case "
                                           << matchCase << " needle \"" << look.needle() << '"';
                ruledOut += may ? 0 : 1;
            }
        }
    }
    EXPECT_GT(ruledOut, 100);
    // Nothing to look for: an empty pattern, letters other scripts fold to,
    // and remote-console commands, whose passwords the search sees hidden.
    EXPECT_FALSE(HitPrefilter(SearchKind::Chat, "", false).isActive());
    EXPECT_FALSE(HitPrefilter(SearchKind::Chat, "\xC3\x9F", false).isActive());
    EXPECT_FALSE(HitPrefilter(SearchKind::RconCmd, "password", false).isActive());
}

// A file is read in blocks: the needle is found across a block's end, in an
// archive, and a file that cannot be read may hold anything.
TEST(HitPrefilter, LooksAtWholeFilesPlainAndArchived)
{
    TempFolder folder;
    const HitPrefilter look(SearchKind::Chat, "cube", false);
    ASSERT_EQ(look.needle(), "cube");
    for (std::size_t at : {std::size_t{0}, (std::size_t{1} << 18) - 2, (std::size_t{1} << 18) - 4, std::size_t{700000}}) {
        std::string bytes(800000, 'x');
        bytes.replace(at, 4, "CuBe");
        folder.write("L0101000.log", bytes);
        EXPECT_TRUE(look.mayHit(folder.path() / "L0101000.log", "L0101000.log")) << at;
        bytes.replace(at, 4, "cub_");
        folder.write("L0101000.log", bytes);
        EXPECT_FALSE(look.mayHit(folder.path() / "L0101000.log", "L0101000.log")) << at;
    }
    folder.write("L0102000.log.gz", gzipped("a line with a cube\n"));
    EXPECT_TRUE(look.mayHit(folder.path() / "L0102000.log.gz", "L0102000.log.gz"));
    folder.write("L0103000.log.gz", gzipped("a line without\n"));
    EXPECT_FALSE(look.mayHit(folder.path() / "L0103000.log.gz", "L0103000.log.gz"));
    EXPECT_TRUE(look.mayHit(folder.path() / "L0104000.log", "L0104000.log"));
}

// A day walk starts and ends threads all the time, and each looks at files
// and parses lines that hide a password. Nothing a thread used for that may
// outlive it or be used after it ended: a runtime that frees a thread's own
// storage before the destructors of what it holds turns such an object into
// a freed block used again, and the heap breaks some threads later.
TEST(HitPrefilter, ThreadsThatLookAndParseComeAndGo)
{
    TempFolder folder;
    folder.write("L0101000.log", std::string(300000, 'x') + "a cube\n");
    const HitPrefilter look(SearchKind::Chat, "cube", false);
    // Long enough that the hidden text does not fit in a string's own room.
    const std::string said = R"("Al<2><STEAM_0:1:2><CT>" say "sv_password secret;say and a tail of words")";
    std::atomic<int> wrong = 0;
    for (int round = 0; round < 30; ++round) {
        ThreadGroup threads;
        threads.start(32, [&](unsigned) {
            TokenTable tokens;
            StringArena arena;
            EventList events;
            tokenizeLine(said, tokens);
            recognizeEvent(1, tokens, arena, events);
            if (events.size() != 1 || std::string_view(events[0].text) != "sv_password ***;say and a tail of words"
                || !look.mayHit(folder.path() / "L0101000.log", "L0101000.log"))
                ++wrong;
        });
        threads.join();
    }
    EXPECT_EQ(wrong, 0);
}

} // namespace
} // namespace zelkam
