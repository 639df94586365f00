#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "history/player_record.h"
#include "investigate/player_timeline.h"
#include "investigate/rcon_audit.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "tools/loggen/log_generator.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// What a test keeps of one event of a day's window: the window's events die
// with the walk.
struct KeptEvent {
    std::int32_t kind = 0;
    std::int32_t time = 0;
    std::string name;
    std::string uniqueId;
    std::int32_t userId = 0;
    std::int32_t addressKey = 0;
    std::string text;
    std::string killerUniqueId;
};

std::map<std::int32_t, std::vector<KeptEvent>> windowsOf(const FolderDays& folder)
{
    FolderDays all = folder;
    all.allKinds = true;
    std::map<std::int32_t, std::vector<KeptEvent>> windows;
    std::mutex lock;
    walkDayWindows(all, nullptr, [&](const DayWindow& view) {
        if (!view.window)
            return;
        std::vector<KeptEvent> kept;
        for (const LogEvent& event : *view.window) {
            KeptEvent& copy = kept.emplace_back();
            copy.kind = event.kind;
            copy.time = event.time;
            copy.name = event.player.name ? event.player.name : "";
            copy.uniqueId = event.player.uniqueId;
            copy.userId = event.player.userId;
            copy.addressKey = event.player.addressKey;
            copy.text = event.text ? event.text : "";
            if (event.kind == Killed && event.text)
                copy.killerUniqueId = killDetailOf(event).killerUniqueId;
        }
        std::lock_guard guard(lock);
        windows[view.day] = std::move(kept);
    }, [](std::size_t, const EventList*) {});
    return windows;
}

// Differential: on generated folders, the timeline of each of several
// players holds the start and end of every session the session walk finds
// for him, and each of its other lines is an event of the day's window that
// names him: his token (or, for a kill, the killer's), his session's
// address for a command from it, his user id for a kick by number.
TEST(PlayerTimeline, HoldsEverySessionOfTheWalkAndOnlyEventsNamingThePlayer)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder generated;
    LogGenOptions options;
    options.seed = 11;
    options.days = 3;
    options.linesPerDay = 4000;
    options.maxPlayers = 14;
    ASSERT_TRUE(generateLogFolder(generated.path(), options));
    FolderDays folder;
    ASSERT_TRUE(folder.scan(generated.string()));
    const auto windows = windowsOf(folder);

    // Every unshared id of the folder, with its sessions as the walk finds them.
    std::map<std::string, std::vector<PlayerSession>> walked;
    walkPlayerSessions(folder, nullptr, [](const PlayerSession& s) { return !isSharedUniqueId(s.uniqueId); },
                       [&](PlayerSession&& s) { walked[s.uniqueId].push_back(std::move(s)); }, {});
    ASSERT_GE(walked.size(), 10u);

    std::size_t actedOn = 0;
    std::size_t checkedPlayers = 0;
    for (const auto& [id, sessions] : walked) {
        if (++checkedPlayers > 12)
            break;
        PlayerQuery query;
        query.text = id;
        std::vector<TimelineEntry> entries;
        ASSERT_TRUE(collectTimeline(folder, query, DayRange(), nullptr, [&](TimelineDay&& day) {
            for (TimelineEntry& entry : day.entries)
                entries.push_back(std::move(entry));
        }));
        std::multiset<std::pair<std::int32_t, std::int32_t>> starts, ends, wantedStarts, wantedEnds;
        for (const PlayerSession& session : sessions) {
            wantedStarts.insert({session.day, session.start});
            wantedEnds.insert({session.day, session.end});
        }
        std::int32_t last = 0;
        for (const TimelineEntry& entry : entries) {
            EXPECT_GE(entry.time, last) << id << ": in time order";
            last = entry.time;
            if (entry.kind == TimelineKind::SessionStart) {
                starts.insert({entry.day, entry.time});
                continue;
            }
            if (entry.kind == TimelineKind::SessionEnd) {
                ends.insert({entry.day, entry.time});
                continue;
            }
            const std::vector<KeptEvent>& window = windows.at(entry.day);
            ASSERT_LT(entry.event, window.size());
            const KeptEvent& event = window[entry.event];
            EXPECT_EQ(event.time, entry.time);
            switch (entry.kind) {
            case TimelineKind::Killed:
                EXPECT_EQ(event.kind, Killed);
                EXPECT_EQ(event.killerUniqueId, id);
                break;
            case TimelineKind::RconFromAddress:
            case TimelineKind::BadRconFromAddress:
                EXPECT_TRUE(event.kind == RconCommand || event.kind == BadRconCommand);
                EXPECT_EQ(event.addressKey, entry.addressKey);
                break;
            case TimelineKind::RconActedOn:
                EXPECT_EQ(event.kind, RconCommand);
                EXPECT_EQ(event.text, "kick #" + std::to_string(entry.userId)) << "the generator kicks by user id";
                ++actedOn;
                break;
            default:
                // A connection may carry the pending id the server
                // validates later; every other line carries the id.
                EXPECT_TRUE(event.uniqueId == id || (event.kind == PlayerConnected && isSharedUniqueId(event.uniqueId)))
                    << id << " at " << entry.time << ": " << event.uniqueId;
                EXPECT_EQ(event.name, entry.name);
            }
        }
        EXPECT_EQ(starts, wantedStarts) << id;
        EXPECT_EQ(ends, wantedEnds) << id;
    }

    // Every kick by number the audit resolves is in the kicked player's
    // timeline, and the generator's kicks all resolve.
    RconAudit audit;
    ASSERT_TRUE(collectRconAudit(folder, DayRange(), nullptr, audit));
    std::size_t kicks = 0;
    for (const AddressAudit& address : audit.addresses) {
        for (const AuditCommand& command : address.commands) {
            if (command.failed || command.command.rfind("kick #", 0) != 0)
                continue;
            ++kicks;
            ASSERT_EQ(command.actedOn.size(), 1u) << command.command;
            EXPECT_EQ("kick #" + std::to_string(command.actedOn[0].userId), command.command);
        }
    }
    EXPECT_GT(kicks + actedOn, 0u) << "the folder should hold a kick";
}

} // namespace
} // namespace zelkam
