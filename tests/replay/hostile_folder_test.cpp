// Log folders as crashed servers, careless copies and odd clocks leave them,
// played through the whole model: every case has one defined result (a day
// or none, events or none) and none may crash or hang.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "replay/viewer_state.h"
#include "tests/replay/view_summary.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

std::vector<std::int32_t> daysOf(const ViewerState& state) { return {state.days.begin(), state.days.end()}; }

// The messages of the loaded window's chat events, in list order.
Strings messagesOf(const ViewerState& state)
{
    Strings messages;
    for (const LogEvent& event : state.events()) {
        if (event.kind == Say || event.kind == SayTeam)
            messages.emplace_back(event.text);
    }
    return messages;
}

// Every chat message of the day that find reaches, one hit after another
// from the day's first event (which find itself passes over). A hit stands
// just before the cursor.
Strings messagesFound(ViewerState& state)
{
    Strings found;
    while (state.find(SearchKind::Chat, "", false))
        found.emplace_back(state.events()[state.cursor - 1].text);
    return found;
}

// The day the clocks go back has 25 hours. Its last hour lies past 24 hours
// after its midnight, yet it is the day's own: a file begun then is listed
// under the day and must load, and the day's search must reach it.
TEST(HostileFolder, LastHourOfTheAutumnClockChangeBelongsToItsDay)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder folder;
    folder.write("L1028000.log", LogText("10/28/2001").at("20:00:00", said("Ann", 1, "CT", "evening")).text());
    folder.write("L1028001.log", LogText("10/28/2001")
                                     .at("23:30:00", said("Ann", 1, "CT", "last hour"))
                                     .at("23:45:00", roundStarted())
                                     .at("23:59:59", said("Ann", 1, "CT", "last second"))
                                     .on("10/29/2001")
                                     .at("00:00:00", said("Ann", 1, "CT", "next day"))
                                     .text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_EQ(daysOf(*state), std::vector<std::int32_t>{localStamp(2001, 10, 28)});
    EXPECT_EQ(messagesOf(*state), (Strings{"evening", "last hour", "last second", "next day"}));
    EXPECT_EQ(messagesFound(*state), (Strings{"last hour", "last second"}))
        << "the search stops at the next midnight, not 24 hours after this one";
    state->seekMinute(24 * 60 + 59);
    EXPECT_EQ(state->viewClock, localStamp(2001, 10, 28, 23, 59, 0));

    // A folder whose only file starts in that hour.
    TempFolder late;
    late.write("L1028000.log", LogText("10/28/2001").at("23:10:00", said("Ann", 1, "CT", "late")).text());
    ASSERT_TRUE(state->loadFolder(late.string()));
    EXPECT_FALSE(state->isEmptyDay());
    EXPECT_EQ(state->viewClock, localStamp(2001, 10, 28, 23, 10, 0));
}

// The day the clocks go forward has 23 hours: 24 hours after its midnight is
// already an hour into the next day, which must not be shown or found twice.
TEST(HostileFolder, SpringClockChangeDayEndsAtTheNextMidnight)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder folder;
    folder.write("L0325000.log", LogText("03/25/2001").at("22:00:00", said("Ann", 1, "CT", "evening")).text());
    folder.write("L0326000.log", LogText("03/26/2001")
                                     .at("00:30:00", said("Ann", 1, "CT", "past midnight"))
                                     .at("00:40:00", said("Ann", 1, "CT", "still night"))
                                     .at("09:00:00", roundStarted())
                                     .text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_EQ(daysOf(*state), (std::vector<std::int32_t>{localStamp(2001, 3, 25), localStamp(2001, 3, 26)}));
    EXPECT_EQ(messagesOf(*state), Strings{"evening"}) << "the next day's file starts at its midnight's hour";
    EXPECT_TRUE(messagesFound(*state).empty());

    ASSERT_TRUE(state->loadDayAt(1));
    EXPECT_EQ(state->viewClock, localStamp(2001, 3, 26, 0, 30, 0));
    EXPECT_EQ(messagesFound(*state), Strings{"still night"});
}

// The day after the 25-hour day: its window must begin at the midnight
// before, or the first hour of the day before (who joined, which map) is lost.
TEST(HostileFolder, DayAfterTheAutumnClockChangeRebuildsTheWholeDayBefore)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder folder;
    folder.write("L1028000.log", LogText("10/28/2001")
                                     .at("00:20:00", mapStarted("de_dust"))
                                     .at("00:30:00", connected("Ann", 1, "10.0.0.1:27005"))
                                     .text());
    folder.write("L1029000.log", LogText("10/29/2001").at("10:00:00", said("Ann", 1, "CT", "morning")).text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_TRUE(state->loadDayAt(1));
    EXPECT_STREQ(state->viewMapName, "de_dust");
    EXPECT_EQ(playerNames(*state), Strings{"Ann"});
}

} // namespace
} // namespace zelkam
