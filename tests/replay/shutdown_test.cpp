// Real servers log a disconnection with user id -1 for every player still on
// the server when they shut down. The lines below are taken from the log of a
// real server in November 2012 (the plugin chatter in between left out).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "replay/viewer_state.h"
#include "tests/replay/view_summary.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

const char* const SessionWithShutdown =
    "L 11/14/2012 - 21:01:20: Log file started (file \"logs\\L1114000.log\") (game \"cstrike\") (version \"48/1.1.2.6/4554\")\n"
    "L 11/14/2012 - 21:01:28: World triggered \"Round_Start\"\n"
    "L 11/14/2012 - 21:03:41: \"Admin<1><STEAM_ID_LAN><>\" connected, address \"127.0.0.1:27005\"\n"
    "L 11/14/2012 - 21:04:55: \"Admin<1><STEAM_ID_LAN><>\" entered the game\n"
    "L 11/14/2012 - 21:05:01: \"Admin<1><STEAM_ID_LAN><>\" joined team \"CT\"\n"
    "L 11/14/2012 - 21:05:50: \"Admin<1><STEAM_ID_LAN><CT>\" changed name to \"Admin3\"\n"
    "L 11/14/2012 - 21:06:14: \"Admin3<1><STEAM_ID_LAN><CT>\" say \"/rr\"\n"
    "L 11/14/2012 - 21:06:43: [META] dll: Updating plugins...\n"
    "L 11/14/2012 - 21:06:43: \"Admin3<-1><><CT>\" disconnected\n"
    "L 11/14/2012 - 21:06:43: World triggered \"Round_Draw\" (CT \"0\") (T \"0\")\n"
    "L 11/14/2012 - 21:06:43: World triggered \"Round_End\"\n"
    "L 11/14/2012 - 21:06:43: Server shutdown\n"
    "L 11/14/2012 - 21:06:43: Log file closed\n";

const char* const NextSession =
    "L 11/15/2012 - 15:36:23: Log file started (file \"logs\\L1115000.log\") (game \"cstrike\") (version \"48/1.1.2.6/4554\")\n"
    "L 11/15/2012 - 15:36:31: World triggered \"Round_Start\"\n"
    "L 11/15/2012 - 15:41:19: Server shutdown\n";

TEST(Shutdown, PlayersLoggedWithUserIdMinusOneLeaveTheList)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L1114000.log", SessionWithShutdown);
    folder.write("L1115000.log", NextSession);
    auto state = loaded(folder);

    state->seek(state->dayStart() + 21 * 3600 + 6 * 60 + 20);
    EXPECT_EQ(playerNames(*state), Strings{"Admin3"});

    // The next day opens without the ghost of the shut-down session, and no
    // one joins it.
    ASSERT_TRUE(state->loadDayAt(1));
    EXPECT_EQ(playerNames(*state), Strings{});
    state->seek(state->dayStart() + 15 * 3600 + 40 * 60);
    EXPECT_EQ(playerNames(*state), Strings{});
}

// Only the shutdown's user id falls back to the name: a disconnection whose
// user id is on nobody still leaves the namesake on the list.
TEST(Shutdown, OtherUnknownUserIdsAreNotLookedUpByName)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L1114000.log",
                 "L 11/14/2012 - 21:03:41: \"Admin<1><STEAM_ID_LAN><>\" connected, address \"127.0.0.1:27005\"\n"
                 "L 11/14/2012 - 21:05:01: \"Admin<1><STEAM_ID_LAN><>\" joined team \"CT\"\n"
                 "L 11/14/2012 - 21:06:00: \"Admin<7><STEAM_ID_LAN><CT>\" disconnected\n"
                 "L 11/14/2012 - 21:06:43: \"Nobody<-1><><CT>\" disconnected\n"
                 "L 11/14/2012 - 21:07:00: Server shutdown\n");
    auto state = loaded(folder);
    state->seek(state->dayStart() + 21 * 3600 + 7 * 60);
    EXPECT_EQ(playerNames(*state), Strings{"Admin"});
}

} // namespace
} // namespace zelkam
