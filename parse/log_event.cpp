#include "parse/log_event.h"

#include <cstring>

namespace zelkam {

const PlayerEntry WorldIdentity = {"world", 0, 0, 0, Team::None, LifeState::Pending, 0, 0};

// The recogniser writes the detail as: the killer's name, NUL, the team
// code as one digit, the addresses of the killer entry's name and unique id
// (unaligned), the weapon, NUL.
KillDetail killDetailOf(const LogEvent& killed)
{
    KillDetail detail;
    if (killed.kind != Killed || !killed.text)
        return detail;
    const char* at = killed.text + std::strlen(killed.text) + 1;
    detail.killerTeam = *at++ - '0';
    std::memcpy(&detail.killerName, at, sizeof(const char*));
    at += sizeof(const char*);
    std::memcpy(&detail.killerUniqueId, at, sizeof(const char*));
    at += sizeof(const char*);
    detail.weapon = at;
    return detail;
}

std::int32_t scoringTeamOf(const LogEvent& teamScore)
{
    if (teamScore.kind != TeamScore || !teamScore.text)
        return Team::None;
    return teamScore.text[std::strlen(teamScore.text) + 1] - '0';
}

// The recogniser writes the command, NUL, then the address's four bytes
// (unaligned, in the machine's order).
std::uint32_t rconSourceOf(const LogEvent& rcon)
{
    if ((rcon.kind != RconCommand && rcon.kind != BadRconCommand) || !rcon.text)
        return 0;
    std::uint32_t address = 0;
    std::memcpy(&address, rcon.text + std::strlen(rcon.text) + 1, sizeof address);
    return address;
}

} // namespace zelkam
