#include "tests/support/log_lines.h"

namespace zelkam::test {
namespace {

std::string inQuotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

} // namespace

std::string playerToken(std::string_view name, int userId, std::string_view team)
{
    return std::string(name) + "<" + std::to_string(userId) + "><" + std::to_string(100000 + userId) + "><"
        + std::string(team) + ">";
}

std::string mapStarted(std::string_view map) { return "Started map " + inQuotes(map) + " (CRC \"-1\")"; }

std::string connected(std::string_view name, int userId, std::string_view address)
{
    return inQuotes(playerToken(name, userId)) + " connected, address " + inQuotes(address);
}

std::string disconnected(std::string_view name, int userId, std::string_view team)
{
    return inQuotes(playerToken(name, userId, team)) + " disconnected";
}

std::string entered(std::string_view name, int userId)
{
    return inQuotes(playerToken(name, userId)) + " entered the game";
}

std::string joinedTeam(std::string_view name, int userId, std::string_view team)
{
    return inQuotes(playerToken(name, userId)) + " joined team " + inQuotes(team);
}

std::string changedName(std::string_view name, int userId, std::string_view team, std::string_view newName)
{
    return inQuotes(playerToken(name, userId, team)) + " changed name to " + inQuotes(newName);
}

std::string said(std::string_view name, int userId, std::string_view team, std::string_view message)
{
    return inQuotes(playerToken(name, userId, team)) + " say " + inQuotes(message);
}

std::string chatLineAt(std::string_view date, std::string_view time, std::string_view message)
{
    return lineAt(date, time, "\"Bob<12><345678><CT>\" say \"" + std::string(message) + "\"");
}

std::string saidTeam(std::string_view name, int userId, std::string_view team, std::string_view message)
{
    return inQuotes(playerToken(name, userId, team)) + " say_team " + inQuotes(message);
}

std::string rconCommand(std::string_view command, std::string_view address)
{
    const std::string text = command.empty() ? "rcon 1234" : "rcon 1234 secret " + std::string(command);
    return "Rcon: " + inQuotes(text) + " from " + inQuotes(address);
}

std::string badRconCommand(std::string_view command, std::string_view address)
{
    return "Bad Rcon: " + inQuotes("rcon 1234 wrong " + std::string(command)) + " from " + inQuotes(address);
}

std::string roundStarted() { return "World triggered \"Round_Start\""; }

std::string teamScored(int ctScore, int tScore)
{
    return "Team \"CT\" triggered \"CTs_Win\" (CT " + inQuotes(std::to_string(ctScore)) + ") (T "
        + inQuotes(std::to_string(tScore)) + ")";
}

std::string killed(std::string_view killer, int killerId, std::string_view killerTeam, std::string_view victim,
                   int victimId, std::string_view victimTeam)
{
    return inQuotes(playerToken(killer, killerId, killerTeam)) + " killed " + inQuotes(playerToken(victim, victimId, victimTeam))
        + " with " + inQuotes("ak47");
}

std::string suicide(std::string_view name, int userId, std::string_view team)
{
    return inQuotes(playerToken(name, userId, team)) + " committed suicide with " + inQuotes("world");
}

} // namespace zelkam::test
