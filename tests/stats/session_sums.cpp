#include "tests/stats/session_sums.h"

#include "history/day_windows.h"
#include "history/player_sessions.h"

namespace zelkam::test {

SessionSums sessionSumsOf(FolderDays& days, const RankingRange& range)
{
    SessionSums sums;
    SessionTracker tracker([&](PlayerSession&& s) {
        if (s.names.empty() || s.day < range.firstDay || s.day > range.lastDay)
            return;
        const PlayerKey key = playerKeyOf(s.uniqueId, s.names.back());
        if (key.bot && !range.bots)
            return;
        auto& [frags, deaths, sessions, time] = sums[key.key];
        frags += s.frags;
        deaths += s.deaths;
        ++sessions;
        time += s.end - s.start;
    });
    walkDayWindows(days, nullptr, {}, [&](std::size_t, const EventList* own) {
        if (own) {
            for (const LogEvent& event : *own)
                tracker.add(event);
        }
    });
    tracker.finish();
    return sums;
}

SessionSums rankedSessionSums(const Rankings& rankings)
{
    SessionSums sums;
    for (const PlayerRanking& p : rankings.players) {
        // A row keyed by name shows no unique id; the id it logged keys it
        // again, a bot's as a bot's.
        if (p.sessions > 0)
            sums[playerKeyOf(p.uniqueId.empty() ? p.loggedId : p.uniqueId, p.name).key] = {p.frags, p.deaths,
                                                                                           p.sessions, p.timeConnected};
    }
    return sums;
}

} // namespace zelkam::test
