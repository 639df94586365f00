#include "receive/guess_limit.h"

#include <gtest/gtest.h>

#include <string>

namespace zelkam::receive {
namespace {

using Clock = GuessLimit::Clock;
using std::chrono::seconds;

const SourceAddress Guesser = SourceAddress::v4({198, 51, 100, 9}, 27015);
const SourceAddress Server = SourceAddress::v4({203, 0, 113, 5}, 27015);
const SourceAddress GuesserElsewhere = SourceAddress::v4({198, 51, 100, 9}, 27016);

TEST(GuessLimit, AGuesserIsHeldBackAtItsOwnPaceAndWarnedAboutOnce)
{
    GuessLimit limit;
    const Clock::time_point start = Clock::time_point() + std::chrono::hours(1);
    std::uint64_t count = 0;
    int warnings = 0;
    // A burst of wrong secrets, all at once: the allowance, then nothing
    // more is judged.
    for (int i = 0; i < GuessLimit::Allowance; ++i) {
        EXPECT_FALSE(limit.holdsBack(Guesser, start)) << i;
        warnings += limit.noteWrongSecret(Guesser, start, count);
    }
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(count, static_cast<std::uint64_t>(GuessLimit::Allowance));
    EXPECT_TRUE(limit.holdsBack(Guesser, start));
    EXPECT_TRUE(limit.holdsBack(Guesser, start + seconds(3)));
    // Other sources, the guesser's own address on another port included,
    // are judged as ever.
    EXPECT_FALSE(limit.holdsBack(Server, start));
    EXPECT_FALSE(limit.holdsBack(GuesserElsewhere, start));

    // One more judged each RefillTime; no second warning.
    const Clock::time_point later = start + GuessLimit::RefillTime;
    EXPECT_FALSE(limit.holdsBack(Guesser, later));
    EXPECT_FALSE(limit.noteWrongSecret(Guesser, later, count));
    EXPECT_TRUE(limit.holdsBack(Guesser, later));

    // Quiet long enough, the whole allowance is back.
    const Clock::time_point quiet = later + GuessLimit::RefillTime * (GuessLimit::Allowance + 1);
    for (int i = 0; i < GuessLimit::Allowance; ++i) {
        EXPECT_FALSE(limit.holdsBack(Guesser, quiet)) << i;
        EXPECT_FALSE(limit.noteWrongSecret(Guesser, quiet, count)) << i;
    }
    EXPECT_TRUE(limit.holdsBack(Guesser, quiet));

    const auto guessers = limit.guessers();
    ASSERT_EQ(guessers.size(), 1u);
    EXPECT_EQ(guessers[0].wrongSecrets, 2u * GuessLimit::Allowance + 1);
    EXPECT_EQ(guessers[0].heldBack, 4u);
}

TEST(GuessLimit, WrongSecretsSpreadOutAreNeverHeldBack)
{
    // A server with an old secret sending a line every RefillTime: counted,
    // never held back, never warned about.
    GuessLimit limit;
    Clock::time_point now = Clock::time_point() + std::chrono::hours(1);
    std::uint64_t count = 0;
    for (int i = 0; i < 10 * GuessLimit::Allowance; ++i, now += GuessLimit::RefillTime) {
        EXPECT_FALSE(limit.holdsBack(Server, now)) << i;
        EXPECT_FALSE(limit.noteWrongSecret(Server, now, count)) << i;
    }
    EXPECT_TRUE(limit.guessers().empty());
}

} // namespace
} // namespace zelkam::receive
