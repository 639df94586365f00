// Remote-console commands are credited by the sender's address key. An
// address the key rule cannot read (IPv6, "none", "loopback", garbage) gives
// the key 0, which bots have too: it must never name anyone.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "replay/viewer_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

TEST(NoAddress, CommandsFromUnreadableAddressesAreFromUnknown)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    LogText log("07/06/2001");
    log.at("20:00:00", mapStarted("de_dust"));
    log.at("20:00:01", connected("Bot Ann", 1, "none"));
    log.at("20:00:02", connected("Bob", 2, "10.0.0.1:27005"));
    log.at("20:00:03", connected("Bot Cid", 3, "loopback"));
    const char* const senders[] = {"[2001:db8::1]:27015", "none", "loopback", "garbage", "", "10.0.0.1:1"};
    int second = 10;
    for (const char* sender : senders)
        log.at("20:00:" + std::to_string(second++), rconCommand("status", sender));
    log.at("20:01:00", roundStarted());
    folder.write("L0706000.log", log.text());

    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    state->command(PlaybackCommand::Play);
    std::vector<std::string> shown;
    for (int i = 0; i < 60 && state->tick(); ++i) {
        for (const ChatLine& line : state->viewChatLines()) {
            if (line.time == state->clock() - 1 && line.text[0] == '<')
                shown.emplace_back(line.text);
        }
    }
    const std::vector<std::string> expected = {"<unknown> status", "<unknown> status", "<unknown> status",
                                               "<unknown> status", "<unknown> status", "<Bob> status"};
    EXPECT_EQ(shown, expected);

    // Nor does a search for the remote-console user find a bot's command.
    state->seekMinute(20 * 60);
    EXPECT_FALSE(state->find(SearchKind::RconUser, "Bot", false));
    state->seekMinute(20 * 60);
    EXPECT_TRUE(state->find(SearchKind::RconUser, "Bob", false));
}

} // namespace
} // namespace zelkam
