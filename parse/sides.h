#pragma once

#include <cstdint>
#include <string_view>

namespace zelkam {

// What a line's team names mean for the game's two sides, and what a kill
// between two sides is worth: decided here once and read by every room that
// needs it (the recogniser, the replay's event rules, the session walk, the
// rankings, the overview), so that a player is on one side however he is
// looked at. Team codes are those of log_event.h.

// The side a team name of a score line names: "TERRORIST" or "CT", exactly
// as logged; any other name is no side (Team::None), so it scores for
// nobody.
std::int32_t sideNamed(std::string_view teamName);

// The side a player token's team group tells, brackets included: "<CT>"
// the Counter-Terrorists, "<>" and "<SPECTATOR>" no side, any other text the
// Terrorists (a group cut short by the line's length limit, "<TERRO", is
// still the Terrorists').
std::int32_t sideOfTeamGroup(std::string_view group);

// The side a "joined team" line puts its player on. teamName may be null (a
// line cut before its team). "SPECTATOR" is no side (Team::None): a
// spectator plays for nobody, so he is never shown, counted or ranked with
// a team. Every other name not "TERRORIST" is the Counter-Terrorists, as the
// player list has always read a join.
std::int32_t sideOfJoin(const char* teamName);

// What a kill is worth to its killer's frags: -1 when killer and victim are
// on the same side (a team kill), else +1. Sides are team codes; a side
// that is not known counts as Team::None, so two players of no known side
// are taken as one side, as the player list has always scored them.
std::int32_t fragsOfKill(std::int32_t killerSide, std::int32_t victimSide);

// Whether a kill is a team kill: fragsOfKill gives it -1.
inline bool isTeamKill(std::int32_t killerSide, std::int32_t victimSide)
{
    return fragsOfKill(killerSide, victimSide) < 0;
}

} // namespace zelkam
