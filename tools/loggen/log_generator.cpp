#include "tools/loggen/log_generator.h"

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "tools/loggen/civil_date.h"
#include "tools/loggen/simulation.h"

namespace zelkam {
namespace loggen {
namespace {

constexpr std::string_view GameVersion = "48/1.1.2.7/Stdio/6027";

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

} // namespace

Simulation::Simulation(const std::filesystem::path& folder, const LogGenOptions& options)
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

bool Simulation::run()
{
    const CivilDate first{options_.firstYear, options_.firstMonth, options_.firstDay};
    const std::int64_t firstDay = daysFromCivil(first);
    for (int i = 0; i < options_.days; ++i) {
        if (!runSession((firstDay + i) * Day))
            return false;
    }
    return true;
}

// One day of the server: from its start in the afternoon or evening to
// the shutdown that follows the map running across midnight.
bool Simulation::runSession(WallTime dayStart)
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
void Simulation::startProcess()
{
    nextUserId_ = 1;
    rconChallenge_ = random_.between(100'000'000, 2'147'483'647);
    players_.clear();
}

bool Simulation::openMap(WallTime start, WallTime close, const MapInfo& map)
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
bool Simulation::closeMap(WallTime playEnd, WallTime close, bool shutdown)
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

} // namespace loggen

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
    loggen::Simulation simulation(folder, options);
    return simulation.run();
}

} // namespace zelkam
