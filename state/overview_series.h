#pragma once

// The records of the day at a glance: one per minute of the loaded day, and
// its remote-console commands. The replay model fills them
// (replay/day_overview.h); the activity plot and zelkam-cli show them.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace zelkam {

// One minute of the day, M minutes after its midnight.
struct OverviewMinute {
    // The players the player list shows in each block after seekMinute(M):
    // team 0, team 1, and every other team code.
    std::int32_t terrorists = 0;
    std::int32_t cts = 0;
    std::int32_t spectators = 0;
    // Events whose time falls in [midnight + 60 M, midnight + 60 M + 60).
    std::int32_t kills = 0;
    std::int32_t suicides = 0;
    std::int32_t chat = 0; // Say and SayTeam
    std::int32_t rcon = 0;
    std::int32_t badRcon = 0;
    // Map names of the map starts in the minute, in log order, as logged
    // (bytes, not yet decoded for showing).
    std::vector<std::string> maps;

    std::int32_t players() const { return terrorists + cts + spectators; }
};

// One remote-console command of the day, as the chat view shows it.
struct OverviewRcon {
    std::int32_t minute = 0;
    std::int32_t time = 0;
    bool failed = false; // a BadRconCommand
    // The chat line the viewer composes for it ("<name> command"): the
    // parser keeps only the command, so no password is in it. Log bytes.
    std::string line;
};

struct DayOverview {
    // Local midnight of the day the series describes.
    std::int32_t dayStart = 0;
    // From dayStart to the next midnight: 1,440 minutes, 1,380 or 1,500
    // where the clocks change that day.
    std::vector<OverviewMinute> minutes;
    // Every remote-console command of the day, in log order.
    std::vector<OverviewRcon> rcons;
    // The loaded window's event count when the series was made; a day that
    // grew since needs a new series.
    std::size_t eventCount = 0;

    // The most players on the server in any minute.
    std::int32_t peakPlayers() const
    {
        std::int32_t peak = 0;
        for (const OverviewMinute& minute : minutes)
            peak = std::max(peak, minute.players());
        return peak;
    }
};

} // namespace zelkam
