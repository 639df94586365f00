#include "parse/sides.h"

#include "parse/log_event.h"

namespace zelkam {
namespace {

// Codes outside the three (a session's "not known yet") are no side.
std::int32_t knownOrNone(std::int32_t side)
{
    return side == Team::Terrorist || side == Team::CounterTerrorist ? side : Team::None;
}

} // namespace

std::int32_t sideNamed(std::string_view teamName)
{
    return teamName == "CT" ? Team::CounterTerrorist : teamName == "TERRORIST" ? Team::Terrorist : Team::None;
}

std::int32_t sideOfTeamGroup(std::string_view group)
{
    if (group == "<CT>")
        return Team::CounterTerrorist;
    if (group == "<>" || group == "<SPECTATOR>")
        return Team::None;
    return Team::Terrorist;
}

std::int32_t sideOfJoin(const char* teamName)
{
    const std::string_view name = teamName ? teamName : "";
    if (name == "TERRORIST")
        return Team::Terrorist;
    // The one departure from "TERRORIST, else Counter-Terrorist": a
    // spectator is on no side. Reading him as a Counter-Terrorist credited
    // him with that side's rounds and showed him in its colours in the
    // player record while the player list showed him with no team.
    if (name == "SPECTATOR")
        return Team::None;
    return Team::CounterTerrorist;
}

std::int32_t fragsOfKill(std::int32_t killerSide, std::int32_t victimSide)
{
    return knownOrNone(killerSide) == knownOrNone(victimSide) ? -1 : 1;
}

} // namespace zelkam
