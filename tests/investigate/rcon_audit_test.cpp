#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "investigate/rcon_audit.h"
#include "parse/recognizer.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

std::string player(const char* name, int userId, const char* id) { return std::string(name) + "<" + std::to_string(userId) + "><" + id + "><>"; }

std::string connects(const char* name, int userId, const char* id, const char* address)
{
    return "\"" + player(name, userId, id) + "\" connected, address \"" + address + "\"";
}

// Two days: the admin's address works on the first; on the second a
// guesser tries three passwords in a minute (a burst) and two more an hour
// apart (no burst), the admin changes a password, a new address gets in and
// kicks a player by name.
void writeAdminDays(const TempFolder& folder)
{
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("20:00:00", connects("Admin", 1, "STEAM_0:0:1", "10.0.1.5:27005"))
                                     .at("20:00:05", rconCommand("status", "10.0.1.5:27005"))
                                     .at("20:00:06", rconCommand("users", "10.0.1.5:27005"))
                                     .text());
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("20:00:00", connects("Target", 7, "STEAM_0:1:7", "10.0.9.1:27005"))
                                     .at("20:01:00", badRconCommand("status", "10.0.3.3:1"))
                                     .at("20:01:20", badRconCommand("status", "10.0.3.3:1"))
                                     .at("20:01:40", badRconCommand("status", "10.0.3.3:1"))
                                     .at("20:05:00", badRconCommand("status", "10.0.4.4:1"))
                                     .at("21:05:00", badRconCommand("status", "10.0.4.4:1"))
                                     .at("21:10:00", rconCommand("rcon_password newsecret", "10.0.1.5:27005"))
                                     .at("21:11:00", rconCommand("rcon_password", "10.0.1.5:27005"))
                                     .at("21:20:00", rconCommand("kick \"Target\"", "10.0.5.5:1"))
                                     .text());
}

TEST(RconAudit, WarnsOfGuessingPasswordChangesAndNewAddresses)
{
    ScopedTimeZone zone("UTC0");
    TempFolder logs;
    writeAdminDays(logs);
    FolderDays folder;
    ASSERT_TRUE(folder.scan(logs.string()));
    RconAudit audit;
    ASSERT_TRUE(collectRconAudit(folder, DayRange(), nullptr, audit));

    struct Expected {
        AuditWarningKind kind;
        const char* address;
        std::int32_t count;
        const char* command;
    };
    const Expected expected[] = {
        {AuditWarningKind::FailedAttempts, "10.0.3.3", 3, ""},
        {AuditWarningKind::PasswordChanged, "10.0.1.5", 1, "rcon_password ***"},
        {AuditWarningKind::NewAddress, "10.0.5.5", 1, "kick \"Target\""},
    };
    ASSERT_EQ(audit.warnings.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(audit.warnings[i].kind, expected[i].kind);
        EXPECT_EQ(audit.warnings[i].addressKey, parseAddress(expected[i].address));
        EXPECT_EQ(audit.warnings[i].count, expected[i].count);
        EXPECT_EQ(audit.warnings[i].command, expected[i].command);
    }

    // Grouped by address in order of first use; the kick names its player.
    ASSERT_EQ(audit.addresses.size(), 4u);
    EXPECT_EQ(audit.addresses[0].addressKey, parseAddress("10.0.1.5"));
    EXPECT_EQ(audit.addresses[0].succeeded, 4);
    EXPECT_EQ(audit.addresses[0].commands[0].sender, "Admin");
    EXPECT_EQ(audit.addresses[1].failed, 3);
    const AuditCommand& kick = audit.addresses[3].commands.at(0);
    ASSERT_EQ(kick.actedOn.size(), 1u);
    EXPECT_EQ(kick.actedOn[0].name, "Target");
    EXPECT_EQ(kick.actedOn[0].uniqueId, "STEAM_0:1:7");

    // From the second day on: the first day's address is still known, so
    // its password change is no new address.
    RconAudit second;
    DayRange range;
    range.firstDay = localStamp(2001, 7, 6);
    ASSERT_TRUE(collectRconAudit(folder, range, nullptr, second));
    EXPECT_EQ(second.warnings.size(), 3u);
    EXPECT_EQ(second.addresses.size(), 4u);
    EXPECT_EQ(second.addresses[0].addressKey, parseAddress("10.0.3.3"));
}

TEST(RconTarget, FindsThePlayerACommandMeans)
{
    struct Case {
        const char* command;
        std::vector<std::pair<RconAction, std::string>> targets;
    };
    const Case cases[] = {
        {"kick #12", {{RconAction::Kick, "#12"}}},
        {"kick # 12", {{RconAction::Kick, "#12"}}},
        {"kick \"Bad Guy\" go away", {{RconAction::Kick, "Bad Guy"}}},
        {"banid 30 STEAM_0:1:5 kick", {{RconAction::Ban, "STEAM_0:1:5"}}},
        {"addip 0 10.1.2.3", {{RconAction::Ban, "10.1.2.3"}}},
        {"amx_ban 60 Cheater", {{RconAction::Ban, "Cheater"}}},
        {"amx_ban Cheater 60 aimbot", {{RconAction::Ban, "Cheater"}}},
        {"AMX_SLAY bob; amx_slap #3 5", {{RconAction::Slay, "bob"}, {RconAction::Slay, "#3"}}},
        {"status; mp_timelimit 30", {}},
        {"kick", {}},
        {"say kick #12", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        std::vector<std::pair<RconAction, std::string>> found;
        for (const RconTargeting& targeting : rconTargetingsOf(c.command))
            found.emplace_back(targeting.action, targeting.target);
        EXPECT_EQ(found, c.targets);
    }
}

} // namespace
} // namespace zelkam
