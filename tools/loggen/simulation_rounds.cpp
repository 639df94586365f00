#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "tools/loggen/simulation.h"

// Maps and rounds: the planned actions of a round, run in time order, and
// how a round ends.

namespace zelkam::loggen {
namespace {

bool runsLater(const Scheduled& a, const Scheduled& b)
{
    return a.time != b.time ? a.time > b.time : a.order > b.order;
}

} // namespace

void Simulation::playMap(WallTime playEnd, const MapInfo& map)
{
    map_ = &map;
    while (now_ < playEnd) {
        if (teamSize(Side::Terrorist) == 0 || teamSize(Side::CounterTerrorist) == 0) {
            commenced_ = false;
            idleStep(playEnd);
            continue;
        }
        if (!commenced_) {
            // Both teams have someone at last: the game starts over.
            commenced_ = true;
            write({"World triggered \"Game_Commencing\""});
            write({"World triggered \"Game_Commencing\" (CT \"", number(scoreCT_), "\") (T \"", number(scoreT_),
                   "\")"});
            write({"World triggered \"Round_End\""});
            scoreCT_ = 0;
            scoreT_ = 0;
            advanceTo(std::min(now_ + 3, playEnd));
            continue;
        }
        if (!playRound(playEnd))
            break;
        advanceTo(std::min(now_ + RestartDelay, playEnd));
    }
    advanceTo(playEnd);
    clearQueue();
}

// Too few players for a round: people come and go, the few present chat.
void Simulation::idleStep(WallTime playEnd)
{
    const WallTime until = std::min(playEnd, now_ + random_.between(10, 60));
    planPopulation(until - now_);
    if (!players_.empty() && random_.chance(0.3))
        plan(now_ + random_.between(0, until - now_), Action::Say);
    if (random_.chance(0.02))
        plan(now_ + random_.between(0, until - now_), Action::BadRcon);
    runQueue(until);
    advanceTo(until);
}

// Plays one round from the spawn to its end; false when the map's time
// ran out first.
bool Simulation::playRound(WallTime playEnd)
{
    bombCarrier_ = 0;
    bombPlanted_ = false;
    bombDropped_ = false;
    roundOver_ = false;
    if (map_->hasBomb) {
        if (Player* carrier = randomMember(Side::Terrorist, false)) {
            bombCarrier_ = carrier->userId;
            write({carrier->token, " triggered \"Spawned_With_The_Bomb\""});
        }
    }
    const WallTime roundStart = now_ + FreezeTime;
    if (roundStart >= playEnd)
        return false;
    advanceTo(roundStart);
    // Everyone on a team when the freeze ends plays the round; who joins
    // later waits, dead, for the next one.
    for (Player& player : players_) {
        player.alive = player.stage == Stage::Playing && isOnTeam(player.side);
        player.health = 100;
        player.armor = random_.chance(0.7) ? 100 : 0;
    }
    write({"World triggered \"Round_Start\""});
    planRound();
    roundActive_ = true;
    const bool finished = runQueue(playEnd);
    if (finished && !roundOver_)
        endRoundDraw();
    roundActive_ = false;
    clearQueue();
    return finished;
}

void Simulation::planRound()
{
    const int onTeams = teamSize(Side::Terrorist) + teamSize(Side::CounterTerrorist);
    const double rate = std::max(desiredRate(), 1e-6);
    const double expected = RoundBaseLines + linesPerPlayer() * onTeams;
    const double cycle = expected / rate;
    const double planned = (cycle - static_cast<double>(RestartDelay + FreezeTime)) / EliminationShare;
    const auto length = static_cast<WallTime>(
        std::clamp(planned, static_cast<double>(MinRoundTime), static_cast<double>(RoundTime)));
    // A day with more lines than rounds can hold is filled with more hits
    // (when they are logged) and then with chat.
    const double fullCycle = EliminationShare * static_cast<double>(length) + RestartDelay + FreezeTime;
    int extraChat = static_cast<int>(std::max(0.0, rate * fullCycle - expected));
    const int extraHits = detailed_ ? std::min(extraChat, MaxHitsPerPlayer * onTeams) : 0;
    extraChat -= extraHits;

    plan(now_ + length, Action::TimeUp);
    const bool slow = random_.chance(map_->hasBomb ? 0.3 : 0.1);
    const int kills = slow ? static_cast<int>(random_.below(static_cast<std::uint32_t>(onTeams / 2 + 1)))
                           : onTeams + 2;
    const WallTime fightEnd = std::max<WallTime>(3, length * 9 / 10);
    for (int i = 0; i < kills; ++i)
        plan(now_ + random_.between(2, fightEnd), Action::Kill);
    // The filler goes early in the round, since whatever is planned after
    // the last of a team falls is dropped.
    for (int i = 0; i < extraHits; ++i)
        plan(now_ + random_.between(2, fightEnd / 2), Action::Hit);
    if (random_.chance(0.004 * onTeams))
        plan(now_ + random_.between(2, fightEnd), Action::Suicide);
    if (map_->hasBomb && random_.chance(slow ? 0.8 : 0.45))
        plan(now_ + random_.between(length * 3 / 10, length * 8 / 10), Action::PlantBomb);

    const int chats = static_cast<int>(random_.below(static_cast<std::uint32_t>(onTeams / 4 + 2)));
    for (int i = 0; i < chats + extraChat; ++i) {
        const WallTime at = random_.between(0, i < chats ? length : fightEnd / 2);
        plan(now_ + at, random_.chance(0.7) ? Action::Say : Action::SayTeam);
    }
    if (random_.chance(0.004 * onTeams))
        plan(now_ + random_.between(0, length), Action::Rename);
    if (random_.chance(0.01 * onTeams) || hasSpectators() || imbalance() >= 2)
        plan(now_ + random_.between(0, length / 2), Action::SwitchTeam);
    if (random_.chance(0.03))
        plan(now_ + random_.between(0, length), Action::Rcon);
    if (random_.chance(0.02))
        plan(now_ + random_.between(0, length), Action::BadRcon);
    if (random_.chance(0.012))
        plan(now_ + random_.between(0, length), Action::Kick);
    if (random_.chance(0.01))
        plan(now_ + random_.between(0, length), Action::AdminChat);
    planPopulation(length / 2);
}

// Connections and departures over the next span seconds, steering the
// player count towards what the pace asks for, with some coming and
// going on top.
void Simulation::planPopulation(WallTime span)
{
    const int target = playerTarget(desiredRate());
    const int present = static_cast<int>(players_.size());
    int connects = 0;
    int leaves = 0;
    if (present < target)
        connects = std::min<int>(target - present, 1 + static_cast<int>(random_.below(4)));
    else if (present > target)
        leaves = std::min<int>(present - target, 1 + static_cast<int>(random_.below(2)));
    if (present > 2 && random_.chance(0.08)) {
        ++connects;
        ++leaves;
    }
    for (int i = 0; i < connects; ++i)
        plan(now_ + random_.between(0, span), Action::Connect);
    for (int i = 0; i < leaves; ++i)
        plan(now_ + random_.between(0, span), Action::Disconnect);
}

void Simulation::plan(WallTime time, Action action, int subject)
{
    queue_.push_back({time, nextOrder_++, action, subject});
    std::push_heap(queue_.begin(), queue_.end(), runsLater);
}

// Runs planned actions in time order until the queue is empty or the
// round being played is over; false when stopAt came first.
bool Simulation::runQueue(WallTime stopAt)
{
    while (!queue_.empty() && !(roundActive_ && roundOver_)) {
        const Scheduled next = queue_.front();
        if (next.time >= stopAt) {
            advanceTo(stopAt);
            clearQueue();
            return false;
        }
        std::pop_heap(queue_.begin(), queue_.end(), runsLater);
        queue_.pop_back();
        advanceTo(next.time);
        execute(next);
    }
    return true;
}

void Simulation::execute(const Scheduled& item)
{
    switch (item.action) {
    case Action::Kill:
        kill();
        break;
    case Action::Hit:
        if (Player* attacker = randomAlive()) {
            if (Player* victim = randomTarget(*attacker); victim != nullptr && victim->health > 10)
                writeAttack(*attacker, *victim, pickWeighted(killWeapons(), random_), false);
        }
        break;
    case Action::Suicide:
        if (Player* player = randomAlive()) {
            static constexpr std::string_view causes[] = {"worldspawn", "worldspawn", "grenade", "world"};
            die(*player, {" committed suicide with \"", pick(std::span(causes)), "\""});
            checkRoundEnd();
        }
        break;
    case Action::Say:
    case Action::SayTeam:
        if (Player* speaker = anyPlayer(Stage::Entered)) {
            const bool team = item.action == Action::SayTeam;
            writeChat(*speaker, team ? "say_team" : "say", pick(team ? teamChat() : publicChat()));
        }
        break;
    case Action::Connect:
        connect();
        break;
    case Action::Disconnect:
        if (!players_.empty()) {
            disconnect(random_.below(static_cast<std::uint32_t>(players_.size())));
            checkRoundEnd();
        }
        break;
    case Action::Rename:
        rename();
        break;
    case Action::SwitchTeam:
        switchTeam();
        break;
    case Action::Rcon:
        writeRcon(pick(rconCommands()));
        break;
    case Action::BadRcon:
        badRcon();
        break;
    case Action::Kick:
        kick();
        break;
    case Action::AdminChat:
        write({"\"<><><>\" triggered \"amx_chat\" (text \"[ADMIN] please keep the chat clean\")"});
        break;
    case Action::PickUpBomb:
        if (bombDropped_) {
            if (Player* player = randomMember(Side::Terrorist, true)) {
                bombDropped_ = false;
                bombCarrier_ = player->userId;
                write({player->token, " triggered \"Got_The_Bomb\""});
            }
        }
        break;
    case Action::PlantBomb:
        if (Player* carrier = findPlayer(bombCarrier_); carrier != nullptr && carrier->alive && !bombPlanted_) {
            bombPlanted_ = true;
            write({carrier->token, " triggered \"Planted_The_Bomb\""});
            plan(now_ + BombTimer, Action::Explode);
            if (random_.chance(0.45))
                plan(now_ + random_.between(5, BombTimer - 8), Action::BeginDefuse);
        }
        break;
    case Action::BeginDefuse:
        if (Player* defuser = randomMember(Side::CounterTerrorist, true)) {
            write({defuser->token, " triggered \"Begin_Bomb_Defuse_With_Kit\""});
            plan(now_ + 5, Action::Defuse, defuser->userId);
        }
        break;
    case Action::Defuse:
        if (Player* defuser = findPlayer(item.subject); defuser != nullptr && defuser->alive) {
            write({defuser->token, " triggered \"Defused_The_Bomb\""});
            endRound(Side::CounterTerrorist, "Bomb_Defused");
        }
        break;
    case Action::Explode:
        endRound(Side::Terrorist, "Target_Bombed");
        break;
    case Action::TimeUp:
        if (bombPlanted_)
            break;
        if (map_->hasBomb)
            endRound(Side::CounterTerrorist, "Target_Saved");
        else
            endRoundDraw();
        break;
    }
}

void Simulation::kill()
{
    Player* killer = randomAlive();
    if (killer == nullptr)
        return;
    Player* victim = randomTarget(*killer);
    if (victim == nullptr)
        return;
    const std::string_view weapon = pickWeighted(killWeapons(), random_);
    if (detailed_) {
        for (int hits = static_cast<int>(random_.below(3)); hits > 0 && victim->health > 10; --hits)
            writeAttack(*killer, *victim, weapon, false);
        writeAttack(*killer, *victim, weapon, true);
    }
    die(*victim, {}, killer, weapon);
    checkRoundEnd();
}

// Writes the death of player (a kill by killer with weapon, or the given
// suicide text) and drops the bomb it carried.
void Simulation::die(Player& player, std::initializer_list<std::string_view> suicide, Player* killer,
         std::string_view weapon)
{
    if (killer != nullptr) {
        write({killer->token, " killed ", player.token, " with \"", weapon, "\""});
    } else {
        writer_.startLine(now_);
        writer_.append(player.token);
        for (std::string_view part : suicide)
            writer_.append(part);
        writer_.endLine();
    }
    player.alive = false;
    if (player.userId == bombCarrier_) {
        bombCarrier_ = 0;
        if (!bombPlanted_) {
            bombDropped_ = true;
            write({player.token, " triggered \"Dropped_The_Bomb\""});
            plan(now_ + random_.between(2, 20), Action::PickUpBomb);
        }
    }
}

void Simulation::checkRoundEnd()
{
    if (roundOver_ || !roundActive_)
        return;
    const int t = aliveCount(Side::Terrorist);
    const int ct = aliveCount(Side::CounterTerrorist);
    if (t == 0 && ct == 0)
        endRoundDraw();
    else if (ct == 0)
        endRound(Side::Terrorist, "Terrorists_Win");
    else if (t == 0 && !bombPlanted_)
        endRound(Side::CounterTerrorist, "CTs_Win");
}

void Simulation::endRound(Side winner, std::string_view trigger)
{
    if (roundOver_)
        return;
    roundOver_ = true;
    (winner == Side::CounterTerrorist ? scoreCT_ : scoreT_) += 1;
    write({"Team \"", sideText(winner), "\" triggered \"", trigger, "\" (CT \"", number(scoreCT_), "\") (T \"",
           number(scoreT_), "\")"});
    write({"World triggered \"Round_End\""});
}

void Simulation::endRoundDraw()
{
    roundOver_ = true;
    write({"World triggered \"Round_Draw\" (CT \"", number(scoreCT_), "\") (T \"", number(scoreT_), "\")"});
    write({"World triggered \"Round_End\""});
}

} // namespace zelkam::loggen
