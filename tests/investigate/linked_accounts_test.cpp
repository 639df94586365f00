#include <gtest/gtest.h>

#include <string>

#include "investigate/linked_accounts.h"
#include "parse/recognizer.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

std::string token(const char* name, int userId, const char* id) { return "\"" + std::string(name) + "<" + std::to_string(userId) + "><" + id + "><>\""; }
std::string connects(const char* name, int userId, const char* id, const char* address)
{
    return token(name, userId, id) + " connected, address \"" + address + "\"";
}
std::string leaves(const char* name, int userId, const char* id) { return token(name, userId, id) + " disconnected"; }

// Al (STEAM_0:1:42) plays from 10.0.1.2 and as "Al". Later that evening
// STEAM_0:1:99 comes from the same address and uses Al's name (address and
// name, never at the same time); STEAM_0:1:77 uses the name "Al" while Al
// is on (name only, overlapping); a LAN player named "Al" is linked by the
// name alone, never by the LAN id, which another LAN player and a bot named
// "Al" share without being linked.
void writeEvening(const TempFolder& folder)
{
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("20:00:00", connects("Al", 2, "STEAM_0:1:42", "10.0.1.2:27005"))
                                     .at("20:10:00", connects("Al", 3, "STEAM_0:1:77", "10.0.2.2:27005"))
                                     .at("20:20:00", leaves("Al", 3, "STEAM_0:1:77"))
                                     .at("20:30:00", leaves("Al", 2, "STEAM_0:1:42"))
                                     .at("21:00:00", connects("Smurf", 4, "STEAM_0:1:99", "10.0.1.2:27005"))
                                     .at("21:05:00", token("Smurf", 4, "STEAM_0:1:99") + " changed name to \"Al\"")
                                     .at("21:10:00", leaves("Al", 4, "STEAM_0:1:99"))
                                     .at("21:20:00", connects("Al", 5, "STEAM_ID_LAN", "10.0.3.3:27005"))
                                     .at("21:21:00", connects("Other", 6, "STEAM_ID_LAN", "10.0.4.4:27005"))
                                     .at("21:22:00", connects("Al", 7, "BOT", "none"))
                                     .at("21:30:00", leaves("Al", 5, "STEAM_ID_LAN"))
                                     .text());
}

TEST(LinkedAccounts, StrongestEvidenceFirstAndNoLinkBySharedIds)
{
    ScopedTimeZone zone("UTC0");
    TempFolder logs;
    writeEvening(logs);
    FolderDays folder;
    ASSERT_TRUE(folder.scan(logs.string()));
    PlayerQuery query;
    query.text = "STEAM_0:1:42";
    LinkedAccounts linked;
    ASSERT_TRUE(collectLinkedAccounts(folder, query, nullptr, linked));
    EXPECT_EQ(linked.ownSessions, 1);
    EXPECT_EQ(linked.ownAddresses, std::vector<std::int32_t>{parseAddress("10.0.1.2")});

    struct Expected {
        const char* id;
        std::size_t evidence;
        std::int32_t overlapping;
    };
    const Expected expected[] = {
        {"STEAM_0:1:99", 2, 0}, // the address and the name
        {"STEAM_ID_LAN", 1, 0}, // the name, not the id
        {"STEAM_0:1:77", 1, 1}, // the name, on at the same time
    };
    ASSERT_EQ(linked.accounts.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].id);
        EXPECT_EQ(linked.accounts[i].uniqueId, expected[i].id);
        EXPECT_EQ(linked.accounts[i].evidence.size(), expected[i].evidence);
        EXPECT_EQ(linked.accounts[i].overlappingSessions, expected[i].overlapping);
    }
    EXPECT_EQ(linked.accounts[0].evidence[0].by, LinkEvidence::By::Address);
    EXPECT_EQ(linked.accounts[0].names, (std::vector<std::string>{"Smurf", "Al"}));
    EXPECT_EQ(linked.accounts[1].names, std::vector<std::string>{"Al"});
}

} // namespace
} // namespace zelkam
