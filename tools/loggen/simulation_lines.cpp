#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "tools/loggen/simulation.h"

// The text of each kind of line the simulation writes.

namespace zelkam::loggen {

std::string_view sideText(Side side)
{
    switch (side) {
    case Side::Terrorist:
        return "TERRORIST";
    case Side::CounterTerrorist:
        return "CT";
    case Side::Spectator:
        return "SPECTATOR";
    case Side::None:
        break;
    }
    return "";
}

void Simulation::write(std::initializer_list<std::string_view> parts)
{
    writer_.startLine(now_);
    for (std::string_view part : parts)
        writer_.append(part);
    writer_.endLine();
}

// The game marks chat of a dead player with " (dead)" after the closing
// quote; spectators are never marked, players on no team always are.
void Simulation::writeChat(const Player& speaker, std::string_view command, std::string_view text)
{
    const bool dead = speaker.side != Side::Spectator && !speaker.alive;
    write({speaker.token, " ", command, " \"", text, dead ? "\" (dead)" : "\""});
}

void Simulation::refreshToken(Player& player)
{
    const Person& person = people_[static_cast<std::size_t>(player.person)];
    std::string& token = player.token;
    token.clear();
    token += '"';
    token += player.name;
    token += '<';
    token += number(player.userId);
    token += "><";
    token += player.stage == Stage::Connecting ? std::string_view("STEAM_ID_PENDING") : person.steamId;
    token += "><";
    token += sideText(player.side);
    token += ">\"";
}

// One hit as a server logging every hit writes it. A lethal hit leaves
// the health at zero or below, and the game prints it so.
void Simulation::writeAttack(const Player& attacker, Player& victim, std::string_view weapon, bool lethal)
{
    const int damage = lethal ? victim.health + static_cast<int>(random_.below(60))
                              : static_cast<int>(random_.between(5, std::min(45, victim.health - 5)));
    const int armorHit = victim.armor > 0 ? std::min(victim.armor, static_cast<int>(random_.between(1, 12))) : 0;
    victim.health -= damage;
    victim.armor -= armorHit;
    write({attacker.token, " attacked ", victim.token, " with \"", weapon, "\" (damage \"", number(damage),
           "\") (damage_armor \"", number(armorHit), "\") (health \"", number(victim.health), "\") (armor \"",
           number(victim.armor), "\")"});
}

void Simulation::writeRcon(std::string_view command)
{
    const Person& admin = people_[random_.below(2)];
    const bool quoted = rconPassword_.find(' ') != std::string::npos || random_.chance(0.7);
    const std::string password = quoted ? "\"" + rconPassword_ + "\"" : rconPassword_;
    write({"Rcon: \"rcon ", number(rconChallenge_), " ", password, " ", command, "\" from \"", admin.address,
           "\""});
}

// A stranger guesses in a burst, one password after another, with the
// one challenge the server gave them.
void Simulation::badRcon()
{
    const std::string& from = strangers_[random_.below(static_cast<std::uint32_t>(strangers_.size()))];
    const std::string challenge = number(random_.between(100'000'000, 2'147'483'647));
    for (int tries = static_cast<int>(random_.between(1, 4)); tries > 0; --tries) {
        write({"Bad Rcon: \"rcon ", challenge, " \"", pick(wrongPasswords()), "\" ", pick(badRconCommands()),
               "\" from \"", from, "\""});
    }
}

std::string_view Simulation::pick(std::span<const std::string_view> texts)
{
    return texts[random_.below(static_cast<std::uint32_t>(texts.size()))];
}

} // namespace zelkam::loggen
