#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/loggen/log_generator.h"
#include "tools/loggen/log_writer.h"
#include "tools/loggen/random.h"
#include "tools/loggen/server_content.h"

// The simulated server behind generateLogFolder(), shared by the files that
// each write one part of its life: the days and their files
// (log_generator.cpp), the pace (simulation_pace.cpp), maps, rounds and the
// action queue (simulation_rounds.cpp), the people on the server
// (simulation_players.cpp) and the text of each kind of line
// (simulation_lines.cpp).

namespace zelkam::loggen {

inline constexpr WallTime Minute = 60;
inline constexpr WallTime Hour = 3600;
inline constexpr WallTime Day = 86400;

// Game timings, matching the console variables the files list.
inline constexpr WallTime RestartDelay = 5;  // from a round's end to the next spawn; fixed in the game
inline constexpr WallTime FreezeTime = 3;    // mp_freezetime
inline constexpr WallTime RoundTime = 150;   // mp_roundtime 2.5
inline constexpr WallTime BombTimer = 35;    // mp_c4timer
inline constexpr WallTime ChatTime = 10;     // mp_chattime: final scores to map change
inline constexpr WallTime MinRoundTime = 15;

// The pacing model: a round of P players on teams writes about
// RoundBaseLines + RoundLinesPerPlayer * P lines, and lasts until one team
// is out, about EliminationShare of its planned length.
inline constexpr double RoundBaseLines = 6.0;
inline constexpr double RoundLinesPerPlayer = 1.1;
// With every hit logged, each kill comes after two "attacked" lines on average.
inline constexpr double DetailedLinesPerPlayer = 2.7;
inline constexpr int MaxHitsPerPlayer = 6;
inline constexpr double EliminationShare = 0.7;
inline constexpr double TypicalCycle = 90.0;
// Each file adds lines of its own: the opening block, the final scores and
// every player entering and joining again after the map change.
inline constexpr double FileBaseLines = 30.0;
inline constexpr double FileLinesPerPlayer = 2.0;
inline constexpr WallTime TypicalMapLength = 30 * Minute;

inline WallTime floorDiv(WallTime value, WallTime divisor)
{
    return value >= 0 ? value / divisor : (value - divisor + 1) / divisor;
}

inline std::string number(std::int64_t value)
{
    return std::to_string(value);
}

enum class Side : std::uint8_t { None, Terrorist, CounterTerrorist, Spectator };

// The team as the player's token and the "joined team" line name it.
std::string_view sideText(Side side);

inline bool isOnTeam(Side side)
{
    return side == Side::Terrorist || side == Side::CounterTerrorist;
}

// Hours a day of play may last at most, from the early morning to just past
// midnight.
inline constexpr double LongestSession = 22.0;

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


// One server for all the days asked for. Everything random comes from one
// generator in one fixed order, so the same options give the same bytes.
class Simulation {
public:
    Simulation(const std::filesystem::path& folder, const LogGenOptions& options);

    // Writes every day; false when a file cannot be written.
    bool run();

private:
    // Sessions and files.
    bool runSession(WallTime dayStart);
    void startProcess();
    bool openMap(WallTime start, WallTime close, const MapInfo& map);
    bool closeMap(WallTime playEnd, WallTime close, bool shutdown);

    // Pacing.
    void buildActivity(WallTime until);
    double activityBetween(WallTime from, WallTime to) const;
    double linesPerPlayer() const { return detailed_ ? DetailedLinesPerPlayer : RoundLinesPerPlayer; }
    double sessionHours(double perPlayer) const;
    double fileOverhead() const { return FileBaseLines + FileLinesPerPlayer * 0.75 * options_.maxPlayers; }
    double desiredRate() const;
    int playerTarget(double rate) const;

    // Playing a map.
    void playMap(WallTime playEnd, const MapInfo& map);
    void idleStep(WallTime playEnd);
    bool playRound(WallTime playEnd);
    void planRound();
    void planPopulation(WallTime span);

    // The action queue.
    void plan(WallTime time, Action action, int subject = 0);
    void clearQueue() { queue_.clear(); }
    bool runQueue(WallTime stopAt);
    void execute(const Scheduled& item);

    // Rounds.
    void kill();
    void die(Player& player, std::initializer_list<std::string_view> suicide, Player* killer = nullptr,
             std::string_view weapon = {});
    void checkRoundEnd();
    void endRound(Side winner, std::string_view trigger);
    void endRoundDraw();

    // Players: actions and connection steps.
    void connect();
    void disconnect(std::size_t index);
    void rename();
    void switchTeam();
    void kick();
    Player* randomTarget(const Player& attacker);
    void advanceTo(WallTime time);
    void takeStep(Player& player);

    // Lines.
    void write(std::initializer_list<std::string_view> parts);
    void writeChat(const Player& speaker, std::string_view command, std::string_view text);
    void refreshToken(Player& player);
    void writeAttack(const Player& attacker, Player& victim, std::string_view weapon, bool lethal);
    void writeRcon(std::string_view command);
    void badRcon();
    std::string_view pick(std::span<const std::string_view> texts);

    // Queries.
    bool isLan(const Player& player) const;
    int teamSize(Side side) const;
    int aliveCount(Side side) const;
    bool hasSpectators() const { return teamSize(Side::Spectator) > 0; }
    int imbalance() const { return std::abs(teamSize(Side::Terrorist) - teamSize(Side::CounterTerrorist)); }
    Side smallerTeam();
    Player* findPlayer(int userId);
    Player* randomMember(Side side, bool aliveOnly, const Player* except = nullptr);
    Player* randomAlive();
    Player* randomOnTeam();
    Player* anyPlayer(Stage atLeast);
    template <typename Predicate>
    Player* randomWhere(Predicate matches);
    int pickOfflinePerson();

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

} // namespace zelkam::loggen
