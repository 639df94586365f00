#pragma once

#include <string>

#include "fuzz/fuzz_support.h"

namespace zelkam::fuzz {

// The days of a server's players a fuzz input writes, one step at a time:
// connections, reconnections under other names and accounts, renames onto
// names in use, kills with a few weapons, suicides, bombs and hostages,
// shutdowns by name, commands from players' addresses (kicks and bans
// among them), map and round starts, team wins, midnights and stamps that
// go back. Names, ids, user ids and addresses come from small pools, so
// that they collide; some names and chat hold what a terminal, a window or
// a page would take for its own (escapes, a right-to-left override, an
// invisible mark, markup).
struct PlayersLog {
    static constexpr int Days = 3;
    // The file name and the lines of each day, from 5 July 2001 on.
    static const char* const FileNames[Days];
    std::string days[Days];

    // Every day's lines, in order.
    std::string all() const { return days[0] + days[1] + days[2]; }
};

PlayersLog writePlayersLog(FuzzProgram& program);

// Empties the scratch folder and writes log's days into it, a file for each
// day that has lines.
void writePlayersFolder(const ScratchFolder& scratch, const PlayersLog& log);

} // namespace zelkam::fuzz
