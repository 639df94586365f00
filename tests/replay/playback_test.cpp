#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "replay/viewer_state.h"
#include "tests/replay/view_summary.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

TEST(Playback, CommandsSetSpeedAndRewind)
{
    struct Case {
        PlaybackCommand command;
        bool rewinding;
        std::int32_t speed;
    };
    // Every case starts rewinding (at speed 5); only Rewind keeps rewinding.
    const Case cases[] = {
        {PlaybackCommand::None, false, 5}, {PlaybackCommand::Rewind, true, 5}, {PlaybackCommand::Pause, false, 0},
        {PlaybackCommand::Play, false, 1},  {PlaybackCommand::Fast, false, 5},  {PlaybackCommand::Fastest, false, 60},
    };
    for (const Case& c : cases) {
        auto state = std::make_unique<ViewerState>();
        state->command(PlaybackCommand::Rewind);
        state->command(c.command);
        EXPECT_EQ(state->rewinding(), c.rewinding) << static_cast<int>(c.command);
        EXPECT_EQ(state->speed(), c.speed) << static_cast<int>(c.command);
    }
}

TEST(Playback, PausedTickChangesNothing)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log",
                 LogText("07/06/2001").at("10:00:00", roundStarted()).at("10:00:05", roundStarted()).text());
    auto state = loaded(folder);
    const std::string before = viewSummary(*state);
    EXPECT_FALSE(state->tick());
    state->command(PlaybackCommand::Rewind);
    state->command(PlaybackCommand::Pause);
    EXPECT_FALSE(state->tick());
    EXPECT_EQ(viewSummary(*state), before);
}

TEST(Playback, ForwardPlayRunsIntoTheNextDayUpToTheLastEvent)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("23:59:00", said("Ann", 1, "CT", "a"))
                                     .on("07/07/2001")
                                     .at("00:10:00", said("Ann", 1, "CT", "b"))
                                     .at("00:20:00", said("Ann", 1, "CT", "c"))
                                     .text());
    auto state = loaded(folder);
    state->command(PlaybackCommand::Fastest);
    for (int i = 0; i < 11; ++i)
        EXPECT_TRUE(state->tick());
    // At exactly 00:10:00 the event of that second still waits.
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 7, 0, 10, 0));
    EXPECT_EQ(state->events()[state->cursor()].time, localStamp(2001, 7, 7, 0, 10, 0));
    state->command(PlaybackCommand::Play);
    EXPECT_TRUE(state->tick());
    EXPECT_EQ(chatTexts(*state), Strings{"*DEAD*Ann : b"});
    state->command(PlaybackCommand::Fastest);
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(state->tick()) << "play keeps reporting at the end";
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 7, 0, 20, 1));
    EXPECT_EQ(state->viewMinute(), 1460);
    EXPECT_EQ(state->speed(), 60);
    EXPECT_EQ(state->cursor(), state->events().size()) << "every loaded event is applied, the last one too";
    EXPECT_EQ(chatTexts(*state), Strings{"*DEAD*Ann : c"});
}

TEST(Playback, ChatLineLastsFifteenSecondsInclusive)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", said("Ann", 1, "CT", "hello"))
                                     .at("10:05:00", roundStarted())
                                     .text());
    auto state = loaded(folder);
    state->command(PlaybackCommand::Play);
    ASSERT_TRUE(state->tick());
    EXPECT_EQ(chatTexts(*state), Strings{"*DEAD*Ann : hello"});
    for (int i = 0; i < 14; ++i)
        state->tick();
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 6, 10, 0, 15));
    EXPECT_EQ(state->viewChatLines().size(), 1u);
    state->tick();
    EXPECT_TRUE(state->viewChatLines().empty());
}

TEST(Playback, FastestTickKeepsOnlyRecentLinesAtMostFive)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    LogText log("07/06/2001");
    log.at("10:00:00", roundStarted());
    for (int second : {0, 10, 20, 40, 45, 46, 47, 48, 49, 50}) {
        char time[32];
        std::snprintf(time, sizeof time, "10:00:%02d", second);
        log.at(time, said("Ann", 1, "CT", std::to_string(second)));
    }
    log.at("10:05:00", roundStarted());
    folder.write("L0706000.log", log.text());
    auto state = loaded(folder);
    state->command(PlaybackCommand::Fastest);
    ASSERT_TRUE(state->tick());
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 6, 10, 1, 0));
    const Strings expected = {"*DEAD*Ann : 46", "*DEAD*Ann : 47", "*DEAD*Ann : 48", "*DEAD*Ann : 49",
                              "*DEAD*Ann : 50"};
    EXPECT_EQ(chatTexts(*state), expected);
    EXPECT_EQ(state->viewChatLines().capacity(), 5u) << "publishing never grows the view arrays";
}

TEST(Playback, RewindStopsAtTheDaysFirstEventAndResumes)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", roundStarted())
                                     .at("10:00:30", said("Ann", 1, "CT", "x"))
                                     .at("10:10:00", roundStarted())
                                     .text());
    auto state = loaded(folder);
    const std::int32_t first = localStamp(2001, 7, 6, 10, 0, 0);
    state->seek(first + 12);
    state->command(PlaybackCommand::Rewind);
    EXPECT_TRUE(state->tick());
    EXPECT_EQ(state->clock(), first + 7);
    EXPECT_TRUE(state->tick());
    EXPECT_EQ(state->clock(), first + 2);
    EXPECT_TRUE(state->tick());
    EXPECT_EQ(state->clock(), first);
    EXPECT_TRUE(state->tick()) << "rewinding at the first event still reports";
    EXPECT_EQ(state->clock(), first);
    EXPECT_TRUE(state->rewinding());
    EXPECT_EQ(state->speed(), 5);

    state->command(PlaybackCommand::Pause);
    EXPECT_FALSE(state->tick());
    state->command(PlaybackCommand::Play);
    EXPECT_TRUE(state->tick());
    EXPECT_EQ(state->clock(), first + 1);
}

} // namespace
} // namespace zelkam
