#include "parse/stamp_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace zelkam {
namespace {

constexpr std::int32_t Hour = 3600;
constexpr std::int32_t Day = 24 * Hour;

EventList eventsAt(const std::vector<std::int32_t>& times)
{
    EventList events;
    for (std::int32_t t : times) {
        LogEvent& event = events.appendSlot();
        event.time = t;
    }
    return events;
}

std::vector<std::int32_t> timesOf(const EventList& events)
{
    std::vector<std::int32_t> times;
    for (const LogEvent& event : events)
        times.push_back(event.time);
    return times;
}

TEST(StampOrder, SetsAsideOnlyRunsTheLogComesBackFrom)
{
    struct Case {
        const char* what;
        std::vector<std::int32_t> times;
        std::vector<std::int32_t> kept;
    };
    const std::vector<std::int32_t> longRun(StrayRunLimit + 1, 10 + Day);
    std::vector<std::int32_t> afterLongRun = {0};
    afterLongRun.insert(afterLongRun.end(), longRun.begin(), longRun.end());
    afterLongRun.push_back(20);
    const Case cases[] = {
        {"in order", {0, 5, 5, 9}, {0, 5, 5, 9}},
        {"one line stamped on the next day", {0, 5, 5 + Day, 9, 12}, {0, 5, 9, 12}},
        {"one line stamped on the day before", {0, 5, 5 - Day, 9}, {0, 5, 9}},
        {"a run of three ahead", {0, 5, Day, Day, Day + 1, 9}, {0, 5, 9}},
        {"a line just under an hour ahead is no stray", {0, Hour - 1, 9}, {0, Hour - 1, 9}},
        {"an hour ahead of both neighbours is", {0, Hour + 20, 9}, {0, 9}},
        {"the hour repeated when clocks go back", {0, Hour - 1, 0, 5, Hour + 1}, {0, Hour - 1, 0, 5, Hour + 1}},
        {"the clock set forward for good", {0, 5, 5 + Day, 6 + Day, 7 + Day}, {0, 5, 5 + Day, 6 + Day, 7 + Day}},
        {"the clock set back for good", {Day, Day + 5, 5, 6}, {Day, Day + 5, 5, 6}},
        {"the newest line, which nothing contradicts yet", {0, 5, 5 + Day}, {0, 5, 5 + Day}},
        {"the first line anchors the list", {Day, 0, 5}, {Day, 0, 5}},
        {"a spike ahead that comes back behind is kept", {0, 5, Day, -Day, -Day + 1}, {0, 5, Day, -Day, -Day + 1}},
        {"a run longer than a stray run is the clock", afterLongRun, afterLongRun},
        {"two strays apart", {0, Day, 5, -Day, 9}, {0, 5, 9}},
        {"a clock set back a little over the gap, then running on", {0, 600, 600 - Hour - 5, 1200 - Hour},
         {0, 600, 600 - Hour - 5, 1200 - Hour}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EventList events = eventsAt(c.times);
        const bool has = hasStrayStamps(events);
        EXPECT_EQ(setAsideStrayStamps(events), c.times.size() - c.kept.size());
        EXPECT_EQ(has, c.times.size() != c.kept.size());
        EXPECT_EQ(timesOf(events), c.kept);
    }
}

TEST(StampOrder, KeepsAnIndexOnItsEventAndLooksOnlyFromWhereItIsAsked)
{
    EventList events = eventsAt({0, Day, 5, 6, -Day, 7, 8});
    std::size_t own = 3;
    EXPECT_EQ(setAsideStrayStamps(events, 0, &own), 2u);
    EXPECT_EQ(own, 2u);
    EXPECT_EQ(events[own].time, 6);

    EventList later = eventsAt({0, Day, 5, 6, -Day, 7});
    EXPECT_FALSE(hasStrayStamps(later, 5)) << "the stray at 4 lies before from and anchors nothing";
    EXPECT_TRUE(hasStrayStamps(later, 4));
    EXPECT_EQ(setAsideStrayStamps(later, 3), 1u);
    EXPECT_EQ(timesOf(later), (std::vector<std::int32_t>{0, Day, 5, 6, 7}));
}

// A list judged as it grows, a few events at a time, keeps what the
// judgement of the whole list keeps, however it is cut: an event is judged
// only once the events that decide it are there.
TEST(StampOrder, JudgedAsTheListGrowsItKeepsWhatTheWholeListKeeps)
{
    std::mt19937 random(3);
    std::vector<std::int32_t> times;
    std::int32_t now = 0;
    for (int i = 0; i < 3000; ++i) {
        now += static_cast<std::int32_t>(random() % 3);
        if (random() % 40 == 0) {
            // Runs up to one past the longest judged stray.
            const std::int32_t shift = random() % 2 ? Day : -Day;
            const std::size_t run = 1 + random() % (StrayRunLimit + 1);
            times.insert(times.end(), run, now + shift);
        }
        times.push_back(now);
    }
    EventList whole = eventsAt(times);
    ASSERT_GT(setAsideStrayStamps(whole), 100u);
    for (const std::size_t step : {1, 2, 5, 63, 64, 65, 500}) {
        EventList growing;
        StrayStampJudge judge;
        std::vector<std::int32_t> kept;
        std::size_t taken = 0;
        const auto keepTo = [&](std::size_t end) {
            for (; taken < end; ++taken)
                kept.push_back(growing[taken].time);
        };
        const auto judgeGrowing = [&](bool complete) {
            keepTo(judge.judge(growing, complete, [&](std::size_t first, std::size_t last) {
                keepTo(first);
                taken = last;
                return true;
            }));
        };
        for (std::size_t at = 0; at < times.size(); at += step) {
            for (std::size_t i = at; i < std::min(at + step, times.size()); ++i)
                growing.appendSlot().time = times[i];
            judgeGrowing(false);
        }
        judgeGrowing(true);
        EXPECT_EQ(kept, timesOf(whole)) << "added " << step << " at a time";
    }
}

} // namespace
} // namespace zelkam
