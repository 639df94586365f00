#include "tools/loggen/log_generator.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "tools/loggen/civil_date.h"
#include "tools/loggen/log_writer.h"
#include "tools/loggen/random.h"
#include "tools/loggen/server_content.h"

namespace zelkam {
namespace {

constexpr WallTime Minute = 60;
constexpr WallTime Hour = 3600;
constexpr WallTime Day = 86400;

constexpr std::string_view GameVersion = "48/1.1.2.7/Stdio/6027";

// Game timings, matching the console variables the files list.
constexpr WallTime RestartDelay = 5;  // from a round's end to the next spawn; fixed in the game
constexpr WallTime FreezeTime = 3;    // mp_freezetime
constexpr WallTime RoundTime = 150;   // mp_roundtime 2.5
constexpr WallTime BombTimer = 35;    // mp_c4timer
constexpr WallTime ChatTime = 10;     // mp_chattime: final scores to map change
constexpr WallTime MinRoundTime = 15;

// The pacing model: a round of P players on teams writes about
// RoundBaseLines + RoundLinesPerPlayer * P lines, and lasts until one team
// is out, about EliminationShare of its planned length.
constexpr double RoundBaseLines = 6.0;
constexpr double RoundLinesPerPlayer = 1.1;
// With every hit logged, each kill comes after two "attacked" lines on average.
constexpr double DetailedLinesPerPlayer = 2.7;
constexpr int MaxHitsPerPlayer = 6;
constexpr double EliminationShare = 0.7;
constexpr double TypicalCycle = 90.0;
// Each file adds lines of its own: the opening block, the final scores and
// every player entering and joining again after the map change.
constexpr double FileBaseLines = 30.0;
constexpr double FileLinesPerPlayer = 2.0;
constexpr WallTime TypicalMapLength = 30 * Minute;

// How busy an evening server is at each hour of the local day, 0 to 1.
constexpr double hourlyActivity[24] = {0.55, 0.35, 0.2,  0.1,  0.1, 0.1, 0.1, 0.1, 0.12, 0.15, 0.2,  0.25,
                                       0.3,  0.35, 0.4,  0.45, 0.55, 0.65, 0.8, 0.9, 1.0,  1.0,  0.95, 0.8};

WallTime floorDiv(WallTime value, WallTime divisor)
{
    return value >= 0 ? value / divisor : (value - divisor + 1) / divisor;
}

double activityAt(WallTime time)
{
    const WallTime second = time - floorDiv(time, Day) * Day;
    const auto hour = static_cast<std::size_t>(second / Hour);
    const double within = static_cast<double>(second % Hour) / static_cast<double>(Hour);
    return hourlyActivity[hour] + (hourlyActivity[(hour + 1) % 24] - hourlyActivity[hour]) * within;
}

std::string number(std::int64_t value)
{
    return std::to_string(value);
}

// "L0706003.log": month, day and the day's running number.
std::string fileNameFor(WallTime time, int runningNumber)
{
    const CivilDate date = civilFromDays(floorDiv(time, Day));
    std::string name = "L";
    name += static_cast<char>('0' + date.month / 10);
    name += static_cast<char>('0' + date.month % 10);
    name += static_cast<char>('0' + date.day / 10);
    name += static_cast<char>('0' + date.day % 10);
    name += static_cast<char>('0' + runningNumber / 100);
    name += static_cast<char>('0' + runningNumber / 10 % 10);
    name += static_cast<char>('0' + runningNumber % 10);
    name += ".log";
    return name;
}

enum class Side : std::uint8_t { None, Terrorist, CounterTerrorist, Spectator };

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

Side opposite(Side side)
{
    return side == Side::Terrorist ? Side::CounterTerrorist : Side::Terrorist;
}

// Hours a day of play may last at most, from the early morning to just past
// midnight.
constexpr double LongestSession = 22.0;

// A connection goes through these steps, one log line each, before it plays.
enum class Stage : std::uint8_t {
    Connecting,  // "connected" written, network id not validated yet
    Validated,   // waiting to enter the game (also after every map change)
    Entered,     // in the game, on no team yet
    Playing,     // on a team or with the spectators
};

struct Player {
    int person = 0;
    int userId = 0;
    std::string name;
    Side side = Side::None;
    Side wantedSide = Side::None;  // the team to rejoin after a map change
    Stage stage = Stage::Connecting;
    bool alive = false;
    int health = 100;
    int armor = 0;
    WallTime stepAt = 0;  // when the next connection step is due
    // The player as lines name it, quotes included: "Name<12><STEAM_0:1:2><CT>".
    std::string token;
};

enum class Action : std::uint8_t {
    Kill,
    Hit,
    Suicide,
    Say,
    SayTeam,
    Connect,
    Disconnect,
    Rename,
    SwitchTeam,
    Rcon,
    BadRcon,
    Kick,
    AdminChat,
    PickUpBomb,
    PlantBomb,
    BeginDefuse,
    Defuse,
    Explode,
    TimeUp,
};

struct Scheduled {
    WallTime time = 0;
    std::uint32_t order = 0;  // equal times keep the order they were planned in
    Action action = Action::Say;
    int subject = 0;  // the user id an action is tied to, when it is
};

bool runsLater(const Scheduled& a, const Scheduled& b)
{
    return a.time != b.time ? a.time > b.time : a.order > b.order;
}

class Simulation {
public:
    Simulation(const std::filesystem::path& folder, const LogGenOptions& options)
        : folder_(folder), options_(options), random_(options.seed)
    {
        people_ = makePeople(options.maxPlayers * 3 + 10, random_);
        online_.assign(people_.size(), false);
        static constexpr std::string_view passwords[] = {"secret", "fr4g night", "hunter2", "c0unter str1ke"};
        rconPassword_ = passwords[random_.below(std::size(passwords))];
        // A day with more lines than the longest session of plain rounds can
        // hold comes from a server that logs every hit (mp_logdetail 3), as
        // statistics sites have servers do.
        detailed_ = sessionHours(RoundLinesPerPlayer) > LongestSession - 2;
        for (std::string& address : strangers_) {
            address = random_.chance(0.3) ? "10.0.2." + number(random_.between(2, 9))
                                          : number(random_.between(31, 223)) + "." + number(random_.below(255))
                        + "." + number(random_.below(255)) + "." + number(random_.between(1, 254));
            address += ":" + number(random_.between(1024, 65000));
        }
    }

    bool run()
    {
        const CivilDate first{options_.firstYear, options_.firstMonth, options_.firstDay};
        const std::int64_t firstDay = daysFromCivil(first);
        for (int i = 0; i < options_.days; ++i) {
            if (!runSession((firstDay + i) * Day))
                return false;
        }
        return true;
    }

private:
    // --- Sessions and files ------------------------------------------------

    // One day of the server: from its start in the afternoon or evening to
    // the shutdown that follows the map running across midnight.
    bool runSession(WallTime dayStart)
    {
        const WallTime midnight = dayStart + Day;
        const double hours = std::clamp(sessionHours(linesPerPlayer()), 1.5, LongestSession);
        sessionStart_ = midnight - static_cast<WallTime>(hours * Hour) + random_.between(-15, 15) * Minute;
        sessionFirstLine_ = writer_.lineCount();
        buildActivity(midnight + 3 * Hour);

        // With a fixed file count every map gets the same share of the
        // session, and the session runs long enough past midnight for the
        // last file to cross it: it starts half a map (at most half an hour)
        // before midnight.
        std::vector<WallTime> bounds;
        const int fileCount = options_.filesPerDay;
        if (fileCount > 0) {
            const double before = static_cast<double>(midnight - sessionStart_);
            const double total = before + std::min(before / (fileCount - 0.5) / 2, 30.0 * Minute);
            for (int i = 0; i <= fileCount; ++i)
                bounds.push_back(sessionStart_ + static_cast<WallTime>(total * i / fileCount));
            plannedEnd_ = bounds.back();
        } else {
            plannedEnd_ = midnight + 20 * Minute;
        }

        sessionFiles_ = 0;
        const std::span<const MapInfo> cycle = mapCycle();
        std::size_t mapIndex = random_.below(static_cast<std::uint32_t>(cycle.size()));
        WallTime start = sessionStart_;
        startProcess();
        for (int i = 0;; ++i) {
            WallTime close;
            bool last;
            if (fileCount > 0) {
                close = bounds[static_cast<std::size_t>(i) + 1];
                last = i + 1 == fileCount;
            } else {
                close = start + random_.between(20 * Minute, 40 * Minute);
                last = close > midnight;
                if (last)
                    close = std::max(close, midnight + 10 * Minute);
            }
            if (last)
                plannedEnd_ = close;

            if (!openMap(start, close, cycle[mapIndex]))
                return false;
            const WallTime playEnd = std::max(now_, close - std::min(ChatTime, (close - now_) / 3));
            playMap(playEnd, cycle[mapIndex]);

            // A crash or an admin's restart now and then, never close to
            // midnight so that the day's last map still runs across it.
            const bool restart = fileCount == 0 && !last && close < midnight - Hour && random_.chance(0.08);
            if (!closeMap(playEnd, close, last || restart))
                return false;
            if (last)
                return true;

            start = close;
            if (restart) {
                start += random_.between(40, 240);
                startProcess();
            }
            mapIndex = random_.chance(0.8) ? (mapIndex + 1) % cycle.size()
                                           : random_.below(static_cast<std::uint32_t>(cycle.size()));
        }
    }

    // A new server process: user ids start again at 1, and nobody is
    // connected yet. Those who were come back soon.
    void startProcess()
    {
        nextUserId_ = 1;
        rconChallenge_ = random_.between(100'000'000, 2'147'483'647);
        players_.clear();
    }

    bool openMap(WallTime start, WallTime close, const MapInfo& map)
    {
        const WallTime dayNumber = floorDiv(start, Day);
        if (dayNumber != fileDay_) {
            fileDay_ = dayNumber;
            fileNumber_ = 0;
        }
        const std::string name = fileNameFor(start, fileNumber_++);
        ++sessionFiles_;
        if (!writer_.open(folder_ / name))
            return false;

        now_ = start;
        write({"Log file started (file \"logs/", name, "\") (game \"cstrike\") (version \"", GameVersion, "\")"});
        write({"Loading map \"", map.name, "\""});
        write({"Server cvars start"});
        for (const ServerCvar& cvar : serverCvars()) {
            const bool detail = cvar.name == "mp_logdetail";
            write({"Server cvar \"", cvar.name, "\" = \"", detail && detailed_ ? "3" : cvar.value, "\""});
        }
        write({"Server cvars end"});

        // Loading takes a few seconds; nobody enters before the map runs.
        now_ = start + std::min<WallTime>(random_.between(2, 15), (close - start) / 4);
        write({"Started map \"", map.name, "\" (CRC \"", map.crc, "\")"});
        for (Player& player : players_) {
            if (player.stage == Stage::Connecting) {
                player.stepAt = std::max(player.stepAt, now_ + random_.between(0, 3));
                continue;
            }
            if (player.stage == Stage::Playing)
                player.wantedSide = random_.chance(0.85) ? player.side : Side::None;
            player.stage = Stage::Validated;
            player.side = Side::None;
            player.alive = false;
            player.stepAt = now_ + random_.between(1, 12);
            refreshToken(player);
        }
        scoreCT_ = 0;
        scoreT_ = 0;
        commenced_ = false;
        return true;
    }

    // Final scores at playEnd, the chat of the intermission, then the file
    // closes at close: for a map change, or with a server shutdown.
    bool closeMap(WallTime playEnd, WallTime close, bool shutdown)
    {
        advanceTo(playEnd);
        const int ct = teamSize(Side::CounterTerrorist);
        const int t = teamSize(Side::Terrorist);
        write({"Team \"CT\" scored \"", number(scoreCT_), "\" with \"", number(ct), "\" players"});
        write({"Team \"TERRORIST\" scored \"", number(scoreT_), "\" with \"", number(t), "\" players"});
        const int chats = static_cast<int>(random_.below(static_cast<std::uint32_t>(players_.size() / 3 + 1)));
        for (int i = 0; i < chats && close > now_; ++i) {
            advanceTo(now_ + random_.between(0, std::min<WallTime>(3, close - now_ - 1)));
            if (Player* speaker = anyPlayer(Stage::Entered))
                writeChat(*speaker, "say", pick(mapEndChat()));
        }
        advanceTo(close);

        if (shutdown) {
            for (const Player& player : players_) {
                write({player.token, " disconnected"});
                online_[static_cast<std::size_t>(player.person)] = false;
                returning_.push_back(player.person);
            }
            players_.clear();
            write({"Server shutdown"});
        } else {
            // A few leave with the map change.
            for (std::size_t i = 0; i < players_.size();) {
                if (random_.chance(0.06))
                    disconnect(i);
                else
                    ++i;
            }
            if (random_.chance(0.5)) {
                for (std::string_view text : metamodLines())
                    write({text});
            }
        }
        write({"Log file closed"});
        return writer_.close();
    }

    // --- Pacing --------------------------------------------------------------

    void buildActivity(WallTime until)
    {
        activity_.assign(1, 0.0);
        for (WallTime t = sessionStart_; t < until; t += Minute)
            activity_.push_back(activity_.back() + activityAt(t) * Minute);
    }

    double activityBetween(WallTime from, WallTime to) const
    {
        const auto index = [&](WallTime t) {
            return static_cast<std::size_t>(
                std::clamp<WallTime>((t - sessionStart_) / Minute, 0, static_cast<WallTime>(activity_.size()) - 1));
        };
        return activity_[index(to)] - activity_[index(from)];
    }

    double linesPerPlayer() const { return detailed_ ? DetailedLinesPerPlayer : RoundLinesPerPlayer; }

    // Hours of play that hold the day's lines at a lively pace.
    double sessionHours(double perPlayer) const
    {
        const double playersEstimate = 0.75 * options_.maxPlayers;
        const double roundLinesPerHour =
            static_cast<double>(Hour) / TypicalCycle * (RoundBaseLines + perPlayer * playersEstimate);
        const double budget = static_cast<double>(options_.linesPerDay);
        if (options_.filesPerDay > 0)
            return (budget - fileOverhead() * options_.filesPerDay) / roundLinesPerHour;
        return budget / (roundLinesPerHour + fileOverhead() * static_cast<double>(Hour / TypicalMapLength));
    }

    double fileOverhead() const { return FileBaseLines + FileLinesPerPlayer * 0.75 * options_.maxPlayers; }

    // Lines per second the session should write now so that the day ends
    // near its line count, shaped by the hour's activity. Being ahead or
    // behind corrects itself, since only what is left counts; so do the
    // lines the files still to come will add by themselves.
    double desiredRate() const
    {
        const double written = static_cast<double>(writer_.lineCount() - sessionFirstLine_);
        const double filesToCome = options_.filesPerDay > 0
            ? static_cast<double>(options_.filesPerDay - sessionFiles_)
            : static_cast<double>(std::max<WallTime>(plannedEnd_ - now_, 0)) / TypicalMapLength;
        const double left =
            std::max(static_cast<double>(options_.linesPerDay) - written - filesToCome * fileOverhead(), 0.0);
        const double ahead = std::max(activityBetween(now_, plannedEnd_), activityAt(now_) * 300.0);
        return left * activityAt(now_) / ahead;
    }

    int playerTarget(double rate) const
    {
        const double players = (rate * TypicalCycle - RoundBaseLines) / linesPerPlayer();
        return static_cast<int>(std::clamp(players, 0.0, static_cast<double>(options_.maxPlayers)));
    }

    // --- Playing a map -------------------------------------------------------

    void playMap(WallTime playEnd, const MapInfo& map)
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
    void idleStep(WallTime playEnd)
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
    bool playRound(WallTime playEnd)
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

    void planRound()
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
    void planPopulation(WallTime span)
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

    // --- The action queue ----------------------------------------------------

    void plan(WallTime time, Action action, int subject = 0)
    {
        queue_.push_back({time, nextOrder_++, action, subject});
        std::push_heap(queue_.begin(), queue_.end(), runsLater);
    }

    void clearQueue() { queue_.clear(); }

    // Runs planned actions in time order until the queue is empty or the
    // round being played is over; false when stopAt came first.
    bool runQueue(WallTime stopAt)
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

    void execute(const Scheduled& item)
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

    // --- Actions -------------------------------------------------------------

    void kill()
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

    // Friendly fire is on: now and then a team mate is the one hit.
    Player* randomTarget(const Player& attacker)
    {
        const bool teamMate = random_.chance(0.03);
        return randomMember(teamMate ? attacker.side : opposite(attacker.side), true, &attacker);
    }

    // One hit as a server logging every hit writes it. A lethal hit leaves
    // the health at zero or below, and the game prints it so.
    void writeAttack(const Player& attacker, Player& victim, std::string_view weapon, bool lethal)
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

    // Writes the death of player (a kill by killer with weapon, or the given
    // suicide text) and drops the bomb it carried.
    void die(Player& player, std::initializer_list<std::string_view> suicide, Player* killer = nullptr,
             std::string_view weapon = {})
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

    void connect()
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

    void disconnect(std::size_t index)
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

    void rename()
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
    void switchTeam()
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

    void writeRcon(std::string_view command)
    {
        const Person& admin = people_[random_.below(2)];
        const bool quoted = rconPassword_.find(' ') != std::string::npos || random_.chance(0.7);
        const std::string password = quoted ? "\"" + rconPassword_ + "\"" : rconPassword_;
        write({"Rcon: \"rcon ", number(rconChallenge_), " ", password, " ", command, "\" from \"", admin.address,
               "\""});
    }

    // A stranger guesses in a burst, one password after another, with the
    // one challenge the server gave them.
    void badRcon()
    {
        const std::string& from = strangers_[random_.below(static_cast<std::uint32_t>(strangers_.size()))];
        const std::string challenge = number(random_.between(100'000'000, 2'147'483'647));
        for (int tries = static_cast<int>(random_.between(1, 4)); tries > 0; --tries) {
            write({"Bad Rcon: \"rcon ", challenge, " \"", pick(wrongPasswords()), "\" ", pick(badRconCommands()),
                   "\" from \"", from, "\""});
        }
    }

    void kick()
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

    // --- Rounds ----------------------------------------------------------------

    void checkRoundEnd()
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

    void endRound(Side winner, std::string_view trigger)
    {
        if (roundOver_)
            return;
        roundOver_ = true;
        (winner == Side::CounterTerrorist ? scoreCT_ : scoreT_) += 1;
        write({"Team \"", sideText(winner), "\" triggered \"", trigger, "\" (CT \"", number(scoreCT_), "\") (T \"",
               number(scoreT_), "\")"});
        write({"World triggered \"Round_End\""});
    }

    void endRoundDraw()
    {
        roundOver_ = true;
        write({"World triggered \"Round_Draw\" (CT \"", number(scoreCT_), "\") (T \"", number(scoreT_), "\")"});
        write({"World triggered \"Round_End\""});
    }

    // --- Connection steps ----------------------------------------------------

    // Moves the clock to time, first writing every connection step due by
    // then, in the order they fall due.
    void advanceTo(WallTime time)
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

    void takeStep(Player& player)
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

    // --- Lines -----------------------------------------------------------------

    void write(std::initializer_list<std::string_view> parts)
    {
        writer_.startLine(now_);
        for (std::string_view part : parts)
            writer_.append(part);
        writer_.endLine();
    }

    // The game marks chat of a dead player with " (dead)" after the closing
    // quote; spectators are never marked, players on no team always are.
    void writeChat(const Player& speaker, std::string_view command, std::string_view text)
    {
        const bool dead = speaker.side != Side::Spectator && !speaker.alive;
        write({speaker.token, " ", command, " \"", text, dead ? "\" (dead)" : "\""});
    }

    void refreshToken(Player& player)
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

    // --- Queries -----------------------------------------------------------

    static bool isOnTeam(Side side) { return side == Side::Terrorist || side == Side::CounterTerrorist; }

    bool isLan(const Player& player) const
    {
        return people_[static_cast<std::size_t>(player.person)].steamId == "STEAM_ID_LAN";
    }

    int teamSize(Side side) const
    {
        int count = 0;
        for (const Player& player : players_)
            count += player.stage == Stage::Playing && player.side == side ? 1 : 0;
        return count;
    }

    int aliveCount(Side side) const
    {
        int count = 0;
        for (const Player& player : players_)
            count += player.alive && player.side == side ? 1 : 0;
        return count;
    }

    bool hasSpectators() const { return teamSize(Side::Spectator) > 0; }

    int imbalance() const { return std::abs(teamSize(Side::Terrorist) - teamSize(Side::CounterTerrorist)); }

    Side smallerTeam()
    {
        const int t = teamSize(Side::Terrorist);
        const int ct = teamSize(Side::CounterTerrorist);
        if (t != ct && random_.chance(0.9))
            return t < ct ? Side::Terrorist : Side::CounterTerrorist;
        return random_.chance(0.5) ? Side::Terrorist : Side::CounterTerrorist;
    }

    Player* findPlayer(int userId)
    {
        for (Player& player : players_) {
            if (player.userId == userId)
                return &player;
        }
        return nullptr;
    }

    // A random player of the side (alive ones only when aliveOnly), other
    // than except; null when there is none.
    Player* randomMember(Side side, bool aliveOnly, const Player* except = nullptr)
    {
        return randomWhere([&](const Player& p) {
            return p.stage == Stage::Playing && p.side == side && (!aliveOnly || p.alive) && &p != except;
        });
    }

    Player* randomAlive()
    {
        return randomWhere([](const Player& p) { return p.alive; });
    }

    Player* randomOnTeam()
    {
        return randomWhere([](const Player& p) { return p.stage == Stage::Playing && isOnTeam(p.side); });
    }

    // A random player who has at least reached the stage.
    Player* anyPlayer(Stage atLeast)
    {
        return randomWhere([atLeast](const Player& p) { return p.stage >= atLeast; });
    }

    template <typename Predicate>
    Player* randomWhere(Predicate matches)
    {
        std::array<Player*, 64> found;
        std::size_t count = 0;
        for (Player& player : players_) {
            if (matches(player) && count < found.size())
                found[count++] = &player;
        }
        return count == 0 ? nullptr : found[random_.below(static_cast<std::uint32_t>(count))];
    }

    // Someone not connected: first those a restart dropped, then mostly the
    // regulars (the first third of the people), sometimes anyone.
    int pickOfflinePerson()
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

    std::string_view pick(std::span<const std::string_view> texts)
    {
        return texts[random_.below(static_cast<std::uint32_t>(texts.size()))];
    }

    const std::filesystem::path folder_;
    const LogGenOptions options_;
    Random random_;
    LogWriter writer_;

    std::vector<Person> people_;
    std::vector<bool> online_;
    std::vector<int> returning_;
    std::string rconPassword_;
    std::array<std::string, 4> strangers_;
    bool detailed_ = false;  // every hit is logged

    // The session and its pace.
    WallTime sessionStart_ = 0;
    WallTime plannedEnd_ = 0;
    int sessionFiles_ = 0;
    std::int64_t sessionFirstLine_ = 0;
    std::vector<double> activity_;  // activity summed per minute from the session start

    // The file being written.
    WallTime fileDay_ = -1;
    int fileNumber_ = 0;
    WallTime now_ = 0;

    // The server process and the map.
    int nextUserId_ = 1;
    std::int64_t rconChallenge_ = 0;
    std::vector<Player> players_;
    const MapInfo* map_ = nullptr;
    int scoreCT_ = 0;
    int scoreT_ = 0;
    bool commenced_ = false;

    // The round.
    std::vector<Scheduled> queue_;
    std::uint32_t nextOrder_ = 0;
    bool roundActive_ = false;  // from "Round_Start" to the round's end
    bool roundOver_ = false;
    int bombCarrier_ = 0;  // user id, 0 for none
    bool bombPlanted_ = false;
    bool bombDropped_ = false;
};

} // namespace

bool validOptions(const LogGenOptions& options)
{
    return isValidDate({options.firstYear, options.firstMonth, options.firstDay})
        && isValidDate(civilFromDays(daysFromCivil({options.firstYear, options.firstMonth, options.firstDay})
                                     + options.days))
        && options.days >= 1 && options.days <= MaxDays && options.linesPerDay >= 1
        && options.linesPerDay <= MaxLinesPerDay && options.maxPlayers >= 2 && options.maxPlayers <= 32
        && options.filesPerDay >= 0 && options.filesPerDay <= MaxFilesPerDay;
}

bool generateLogFolder(const std::filesystem::path& folder, const LogGenOptions& options)
{
    if (!validOptions(options))
        return false;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error))
        return false;
    Simulation simulation(folder, options);
    return simulation.run();
}

} // namespace zelkam
