#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/loggen/simulation.h"

// The people on the server: who connects and leaves, their connection
// steps, team changes and kicks, and the random picks among them.

namespace zelkam::loggen {
namespace {

Side opposite(Side side)
{
    return side == Side::Terrorist ? Side::CounterTerrorist : Side::Terrorist;
}

} // namespace

// Room for 64 candidates, twice the most players a server holds.
template <typename Predicate>
Player* Simulation::randomWhere(Predicate matches)
{
    std::array<Player*, 64> found;
    std::size_t count = 0;
    for (Player& player : players_) {
        if (matches(player) && count < found.size())
            found[count++] = &player;
    }
    return count == 0 ? nullptr : found[random_.below(static_cast<std::uint32_t>(count))];
}

void Simulation::connect()
{
    if (static_cast<int>(players_.size()) >= options_.maxPlayers)
        return;
    const int person = pickOfflinePerson();
    if (person < 0)
        return;
    online_[static_cast<std::size_t>(person)] = true;
    Player& player = players_.emplace_back();
    player.person = person;
    player.userId = nextUserId_++;
    player.name = people_[static_cast<std::size_t>(person)].name;
    const bool lan = isLan(player);
    player.stage = lan ? Stage::Validated : Stage::Connecting;
    player.stepAt = now_ + (lan ? random_.between(3, 15) : random_.between(0, 2));
    player.wantedSide = random_.chance(0.04) ? Side::Spectator : Side::None;
    refreshToken(player);
    write({player.token, " connected, address \"", people_[static_cast<std::size_t>(person)].address, "\""});
}

void Simulation::disconnect(std::size_t index)
{
    Player& player = players_[index];
    write({player.token, " disconnected"});
    online_[static_cast<std::size_t>(player.person)] = false;
    if (player.userId == bombCarrier_) {
        bombCarrier_ = 0;
        bombDropped_ = !bombPlanted_;
    }
    players_.erase(players_.begin() + static_cast<std::ptrdiff_t>(index));
}

void Simulation::rename()
{
    Player* player = anyPlayer(Stage::Entered);
    if (player == nullptr)
        return;
    const Person& person = people_[static_cast<std::size_t>(player->person)];
    const std::string& next = player->name == person.name ? person.otherName : person.name;
    write({player->token, " changed name to \"", next, "\""});
    player->name = next;
    refreshToken(*player);
}

// A spectator joins the smaller team, a player evens out the teams, or
// someone just changes sides or goes to watch. A live player switching
// dies first, as the game kills them.
void Simulation::switchTeam()
{
    Player* mover = nullptr;
    Side to = Side::None;
    if (Player* spectator = randomMember(Side::Spectator, false); spectator != nullptr && random_.chance(0.5)) {
        mover = spectator;
        to = smallerTeam();
    } else if (imbalance() >= 2) {
        const Side bigger = opposite(smallerTeam());
        mover = randomMember(bigger, false);
        to = opposite(bigger);
    } else if (Player* player = randomOnTeam()) {
        mover = player;
        to = random_.chance(0.3) ? Side::Spectator : opposite(player->side);
    }
    if (mover == nullptr)
        return;
    if (mover->alive) {
        die(*mover, {" committed suicide with \"world\""});
        checkRoundEnd();
    }
    write({mover->token, " joined team \"", sideText(to), "\""});
    mover->side = to;
    mover->alive = false;
    refreshToken(*mover);
    checkRoundEnd();
}

void Simulation::kick()
{
    Player* player = anyPlayer(Stage::Entered);
    if (player == nullptr)
        return;
    const bool byAdmin = random_.chance(0.6);
    if (byAdmin)
        writeRcon("kick #" + number(player->userId));
    const Person& person = people_[static_cast<std::size_t>(player->person)];
    // The kick line names the player without a team, as the engine does.
    const std::string who = "\"" + player->name + "<" + number(player->userId) + "><" + person.steamId + "><>\"";
    if (byAdmin)
        write({"Kick: ", who, " was kicked by \"Console\""});
    else
        write({"Kick: ", who, " was kicked by \"Console\" (message \"You have been idle for too long\")"});
    disconnect(static_cast<std::size_t>(player - players_.data()));
    checkRoundEnd();
}

// Friendly fire is on: now and then a team mate is the one hit.
Player* Simulation::randomTarget(const Player& attacker)
{
    const bool teamMate = random_.chance(0.03);
    return randomMember(teamMate ? attacker.side : opposite(attacker.side), true, &attacker);
}

// Moves the clock to time, first writing every connection step due by
// then, in the order they fall due.
void Simulation::advanceTo(WallTime time)
{
    for (;;) {
        Player* due = nullptr;
        for (Player& player : players_) {
            if (player.stage != Stage::Playing && player.stepAt <= time
                && (due == nullptr || player.stepAt < due->stepAt))
                due = &player;
        }
        if (due == nullptr)
            break;
        now_ = std::max(now_, due->stepAt);
        takeStep(*due);
    }
    now_ = std::max(now_, time);
}

void Simulation::takeStep(Player& player)
{
    switch (player.stage) {
    case Stage::Connecting:
        player.stage = Stage::Validated;
        refreshToken(player);
        write({player.token, " STEAM USERID validated"});
        player.stepAt = now_ + random_.between(2, 15);
        break;
    case Stage::Validated:
        write({player.token, " entered the game"});
        player.stage = Stage::Entered;
        player.stepAt = now_ + random_.between(1, 8);
        break;
    case Stage::Entered: {
        const Side side = player.wantedSide != Side::None ? player.wantedSide : smallerTeam();
        write({player.token, " joined team \"", sideText(side), "\""});
        player.stage = Stage::Playing;
        player.side = side;
        player.alive = false;
        refreshToken(player);
        break;
    }
    case Stage::Playing:
        break;
    }
}

bool Simulation::isLan(const Player& player) const
{
    return people_[static_cast<std::size_t>(player.person)].steamId == "STEAM_ID_LAN";
}

int Simulation::teamSize(Side side) const
{
    int count = 0;
    for (const Player& player : players_)
        count += player.stage == Stage::Playing && player.side == side ? 1 : 0;
    return count;
}

int Simulation::aliveCount(Side side) const
{
    int count = 0;
    for (const Player& player : players_)
        count += player.alive && player.side == side ? 1 : 0;
    return count;
}

Side Simulation::smallerTeam()
{
    const int t = teamSize(Side::Terrorist);
    const int ct = teamSize(Side::CounterTerrorist);
    if (t != ct && random_.chance(0.9))
        return t < ct ? Side::Terrorist : Side::CounterTerrorist;
    return random_.chance(0.5) ? Side::Terrorist : Side::CounterTerrorist;
}

Player* Simulation::findPlayer(int userId)
{
    for (Player& player : players_) {
        if (player.userId == userId)
            return &player;
    }
    return nullptr;
}

// A random player of the side (alive ones only when aliveOnly), other
// than except; null when there is none.
Player* Simulation::randomMember(Side side, bool aliveOnly, const Player* except)
{
    return randomWhere([&](const Player& p) {
        return p.stage == Stage::Playing && p.side == side && (!aliveOnly || p.alive) && &p != except;
    });
}

Player* Simulation::randomAlive()
{
    return randomWhere([](const Player& p) { return p.alive; });
}

Player* Simulation::randomOnTeam()
{
    return randomWhere([](const Player& p) { return p.stage == Stage::Playing && isOnTeam(p.side); });
}

// A random player who has at least reached the stage.
Player* Simulation::anyPlayer(Stage atLeast)
{
    return randomWhere([atLeast](const Player& p) { return p.stage >= atLeast; });
}

// Someone not connected: first those a restart dropped, then mostly the
// regulars (the first third of the people), sometimes anyone.
int Simulation::pickOfflinePerson()
{
    while (!returning_.empty()) {
        const int person = returning_.front();
        returning_.erase(returning_.begin());
        if (!online_[static_cast<std::size_t>(person)] && random_.chance(0.8))
            return person;
    }
    const auto count = static_cast<std::uint32_t>(people_.size());
    for (int tries = 0; tries < 8; ++tries) {
        const std::uint32_t pool = random_.chance(0.6) ? count / 3 : count;
        const std::uint32_t person = random_.below(pool);
        if (!online_[person])
            return static_cast<int>(person);
    }
    for (std::uint32_t person = 0; person < count; ++person) {
        if (!online_[person])
            return static_cast<int>(person);
    }
    return -1;
}

} // namespace zelkam::loggen
