#include "tools/loggen/log_generator.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tests/support/sample_logs.h"
#include "tools/loggen/civil_date.h"

namespace zelkam {
namespace {

struct LogFile {
    std::string name;
    std::string bytes;
    std::vector<std::string_view> lines;  // without their line feeds
};

std::vector<LogFile> readFolder(const std::filesystem::path& folder)
{
    std::vector<LogFile> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files.push_back({entry.path().filename().string(), bytes.str(), {}});
    }
    std::sort(files.begin(), files.end(), [](const LogFile& a, const LogFile& b) { return a.name < b.name; });
    for (LogFile& file : files) {
        std::string_view rest = file.bytes;
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            file.lines.push_back(rest.substr(0, end));
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        }
    }
    return files;
}

std::vector<LogFile> generate(const test::TempFolder& folder, const LogGenOptions& options)
{
    EXPECT_TRUE(generateLogFolder(folder.path(), options));
    return readFolder(folder.path());
}

LogGenOptions optionsWith(std::uint64_t seed, int days, std::int64_t linesPerDay, int players, int filesPerDay = 0)
{
    LogGenOptions options;
    options.seed = seed;
    options.days = days;
    options.linesPerDay = linesPerDay;
    options.maxPlayers = players;
    options.filesPerDay = filesPerDay;
    return options;
}

std::string_view textOf(std::string_view line)
{
    return line.substr(25);
}

// "MM/DD/YYYY - HH:MM:SS" turned into "YYYYMMDDHHMMSS", which sorts by time.
std::string sortableStamp(std::string_view line)
{
    return std::string(line.substr(8, 4)) + std::string(line.substr(2, 2)) + std::string(line.substr(5, 2))
        + std::string(line.substr(15, 2)) + std::string(line.substr(18, 2)) + std::string(line.substr(21, 2));
}

bool hasValidPrefix(std::string_view line)
{
    if (line.size() < 25)
        return false;
    const std::string_view pattern = "L 99/99/9999 - 99:99:99: ";
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool digit = line[i] >= '0' && line[i] <= '9';
        if (pattern[i] == '9' ? !digit : line[i] != pattern[i])
            return false;
    }
    const auto field = [&](std::size_t at, std::size_t length) { return std::stoi(std::string(line.substr(at, length))); };
    return isValidDate({field(8, 4), field(2, 2), field(5, 2)}) && field(15, 2) < 24 && field(18, 2) < 60
        && field(21, 2) < 60;
}

// One player as a line names it: "Name<12><STEAM_0:1:2><CT>".
struct PlayerToken {
    std::string name;
    int userId = 0;
    std::string steamId;
    std::string team;
};

// Reads the player token that opens text and returns what follows it (after
// one space); false when text does not open with one.
bool takePlayer(std::string_view text, PlayerToken& token, std::string_view& rest)
{
    if (!text.starts_with('"'))
        return false;
    const std::size_t close = text.find(">\"");
    if (close == std::string_view::npos)
        return false;
    const std::string_view inside = text.substr(1, close);
    const std::size_t teamOpen = inside.rfind('<');
    const std::size_t steamOpen = teamOpen > 0 && teamOpen != inside.npos ? inside.rfind('<', teamOpen - 1) : inside.npos;
    const std::size_t idOpen = steamOpen > 0 && steamOpen != inside.npos ? inside.rfind('<', steamOpen - 1) : inside.npos;
    if (idOpen == std::string_view::npos)
        return false;
    const char* idEnd = inside.data() + steamOpen - 1;
    if (std::from_chars(inside.data() + idOpen + 1, idEnd, token.userId).ptr != idEnd || idEnd == inside.data() + idOpen + 1)
        return false;
    token.name = std::string(inside.substr(0, idOpen));
    token.steamId = std::string(inside.substr(steamOpen + 1, teamOpen - steamOpen - 2));
    token.team = std::string(inside.substr(teamOpen + 1, inside.size() - teamOpen - 2));
    rest = text.substr(std::min(text.size(), close + 3));
    return true;
}

bool isValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = -1;
        if (lead < 0x80)
            extra = 0;
        else if (lead >= 0xc2 && lead < 0xe0)
            extra = 1;
        else if (lead >= 0xe0 && lead < 0xf0)
            extra = 2;
        else if (lead >= 0xf0 && lead < 0xf5)
            extra = 3;
        if (extra < 0 || (extra > 0 && i + static_cast<std::size_t>(extra) >= text.size()))
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0xc0) != 0x80)
                return false;
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

// Replays a folder the way a viewer would and reports every line that does
// not fit what came before: players must be connected to act, named as they
// were last named, alive to kill or be killed, and user ids must grow within
// one server process.
std::vector<std::string> findInconsistencies(const std::vector<LogFile>& files)
{
    struct Tracked {
        PlayerToken token;
        bool alive = false;
    };
    std::vector<std::string> problems;
    std::map<int, Tracked> players;
    std::map<std::string, std::string> addressOfSteamId;
    std::map<int, std::string> addressOfUser;
    int lastUserId = 0;
    bool roundActive = false;
    const auto report = [&](const LogFile& file, std::string_view line, const char* what) {
        if (problems.size() < 10)
            problems.push_back(file.name + ": " + what + ": " + std::string(line));
    };

    for (const LogFile& file : files) {
        for (std::string_view line : file.lines) {
            const std::string_view text = textOf(line);
            if (text.starts_with("Started map")) {
                for (auto& [id, player] : players) {
                    player.token.team.clear();
                    player.alive = false;
                }
                roundActive = false;
                continue;
            }
            if (text == "World triggered \"Round_Start\"") {
                roundActive = true;
                for (auto& [id, player] : players)
                    player.alive = player.token.team == "CT" || player.token.team == "TERRORIST";
                continue;
            }
            if (text == "World triggered \"Round_End\"") {
                roundActive = false;
                continue;
            }
            if (text == "Server shutdown") {
                if (!players.empty())
                    report(file, line, "players still connected at shutdown");
                lastUserId = 0;
                continue;
            }
            PlayerToken token;
            std::string_view verb;
            if (!takePlayer(text, token, verb))
                continue;  // lines about the server, not about a player

            if (verb.starts_with("connected, address \"")) {
                if (token.userId <= lastUserId || players.count(token.userId) != 0)
                    report(file, line, "user id not new");
                lastUserId = token.userId;
                if (token.steamId != "STEAM_ID_PENDING" && token.steamId != "STEAM_ID_LAN")
                    report(file, line, "network id known before validation");
                addressOfUser[token.userId] = std::string(verb.substr(20, verb.size() - 21));
                players[token.userId] = {token, false};
                continue;
            }
            const auto found = players.find(token.userId);
            if (found == players.end()) {
                report(file, line, "player not connected");
                continue;
            }
            Tracked& player = found->second;
            if (verb == "STEAM USERID validated") {
                if (player.token.steamId != "STEAM_ID_PENDING")
                    report(file, line, "validated twice");
                player.token.steamId = token.steamId;
                auto [known, added] = addressOfSteamId.emplace(token.steamId, addressOfUser[token.userId]);
                if (!added && known->second != addressOfUser[token.userId])
                    report(file, line, "player came back from another address");
                continue;
            }
            if (token.name != player.token.name || token.steamId != player.token.steamId
                || token.team != player.token.team) {
                report(file, line, "player named differently than before");
                continue;
            }

            PlayerToken other;
            std::string_view afterOther;
            if (verb == "entered the game") {
                if (!token.team.empty())
                    report(file, line, "entered while on a team");
            } else if (verb.starts_with("joined team \"")) {
                if (player.alive && roundActive)
                    report(file, line, "switched teams alive");
                player.token.team = std::string(verb.substr(13, verb.size() - 14));
                player.alive = false;
            } else if (verb.starts_with("changed name to \"")) {
                player.token.name = std::string(verb.substr(17, verb.size() - 18));
            } else if (verb == "disconnected") {
                players.erase(found);
            } else if (verb.starts_with("killed ") || verb.starts_with("attacked ")) {
                const std::string_view victimText = verb.substr(verb.find(' ') + 1);
                const auto victim = takePlayer(victimText, other, afterOther) ? players.find(other.userId)
                                                                               : players.end();
                if (victim == players.end() || victim->second.token.team != other.team) {
                    report(file, line, "victim unknown");
                    continue;
                }
                if (!roundActive || !player.alive || !victim->second.alive)
                    report(file, line, "dead or outside a round");
                if (verb.starts_with("killed "))
                    victim->second.alive = false;
            } else if (verb.starts_with("committed suicide with \"")) {
                if (!player.alive)
                    report(file, line, "dead player died again");
                player.alive = false;
            } else if (verb.starts_with("say \"") || verb.starts_with("say_team \"")) {
                const bool markedDead = verb.ends_with("\" (dead)");
                if (markedDead != (token.team != "SPECTATOR" && !player.alive))
                    report(file, line, "chat marked wrongly as dead or alive");
            } else if (verb.starts_with("triggered \"")) {
                const std::string_view what = verb.substr(11, verb.size() - 12);
                const bool defusing = what == "Begin_Bomb_Defuse_With_Kit" || what == "Defused_The_Bomb";
                if ((defusing || what == "Got_The_Bomb" || what == "Planted_The_Bomb") && !player.alive)
                    report(file, line, "dead player handled the bomb");
                if (token.team != (defusing ? "CT" : "TERRORIST"))
                    report(file, line, "bomb in the wrong hands");
            } else {
                report(file, line, "unknown player line");
            }
        }
    }
    return problems;
}

TEST(LogGenerator, SameOptionsWriteTheSameBytes)
{
    const LogGenOptions options = optionsWith(42, 2, 3000, 24);
    test::TempFolder first;
    test::TempFolder second;
    const std::vector<LogFile> a = generate(first, options);
    const std::vector<LogFile> b = generate(second, options);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].name, b[i].name);
        EXPECT_TRUE(a[i].bytes == b[i].bytes) << a[i].name;
    }

    test::TempFolder third;
    LogGenOptions otherSeed = options;
    otherSeed.seed = 43;
    const std::vector<LogFile> c = generate(third, otherSeed);
    EXPECT_FALSE(c.size() == a.size() && c.front().bytes == a.front().bytes);
}

TEST(LogGenerator, WritesWellFormedLines)
{
    struct Case {
        const char* name;
        LogGenOptions options;
    };
    const Case cases[] = {
        {"evening server", optionsWith(1, 3, 5000, 32)},
        {"small server", optionsWith(2, 2, 800, 6)},
        {"heavy day", optionsWith(3, 1, 60000, 32)},
        {"many files", optionsWith(4, 2, 4000, 16, 300)},
    };
    for (const Case& c : cases) {
        test::TempFolder folder;
        for (const LogFile& file : generate(folder, c.options)) {
            ASSERT_TRUE(file.bytes.ends_with('\n')) << c.name << " " << file.name;
            EXPECT_EQ(file.bytes.find_first_of(std::string_view("\r\0", 2)), std::string::npos) << file.name;
            std::string previous;
            for (std::string_view line : file.lines) {
                ASSERT_TRUE(hasValidPrefix(line)) << c.name << " " << file.name << ": " << line;
                EXPECT_LE(line.size(), 255u) << c.name << ": " << line;
                const std::string stamp = sortableStamp(line);
                EXPECT_LE(previous, stamp) << c.name << " " << file.name << ": " << line;
                previous = stamp;
            }
        }
    }
}

// Files are named for the day they start on, numbered from 000 within the
// day, open with the server's opening block and close with "Log file
// closed"; the last file of each day runs past midnight, no other does.
TEST(LogGenerator, NamesFilesForTheDayTheyStart)
{
    test::TempFolder folder;
    const std::vector<LogFile> files = generate(folder, optionsWith(7, 3, 5000, 32));
    std::map<std::string, std::vector<const LogFile*>> byDay;
    for (const LogFile& file : files) {
        ASSERT_EQ(file.name.size(), 12u);
        ASSERT_TRUE(file.name.starts_with('L') && file.name.ends_with(".log")) << file.name;
        byDay[file.name.substr(1, 4)].push_back(&file);
    }
    ASSERT_EQ(byDay.size(), 3u);
    EXPECT_EQ(byDay.begin()->first, "0706");

    for (const auto& [day, dayFiles] : byDay) {
        for (std::size_t i = 0; i < dayFiles.size(); ++i) {
            const LogFile& file = *dayFiles[i];
            const std::string number = std::to_string(1000 + i).substr(1);
            EXPECT_EQ(file.name.substr(5, 3), number) << file.name;
            ASSERT_GE(file.lines.size(), 6u);
            const std::string_view first = file.lines.front();
            EXPECT_EQ(std::string(first.substr(2, 2)) + std::string(first.substr(5, 2)), day) << file.name;
            EXPECT_EQ(textOf(first), "Log file started (file \"logs/" + file.name
                                         + "\") (game \"cstrike\") (version \"48/1.1.2.7/Stdio/6027\")");
            EXPECT_TRUE(textOf(file.lines[1]).starts_with("Loading map \"")) << file.name;
            EXPECT_EQ(textOf(file.lines[2]), "Server cvars start") << file.name;
            EXPECT_TRUE(textOf(file.lines[3]).starts_with("Server cvar \"")) << file.name;
            EXPECT_EQ(textOf(file.lines.back()), "Log file closed") << file.name;
            const bool crossesMidnight = file.lines.front().substr(2, 10) != file.lines.back().substr(2, 10);
            EXPECT_EQ(crossesMidnight, i + 1 == dayFiles.size()) << file.name;
        }
    }
}

TEST(LogGenerator, WritesEveryKindOfLine)
{
    test::TempFolder folder;
    const std::vector<LogFile> files = generate(folder, optionsWith(1, 3, 5000, 32));
    std::vector<std::string_view> lines;
    for (const LogFile& file : files)
        lines.insert(lines.end(), file.lines.begin(), file.lines.end());
    const auto any = [&](const std::function<bool(std::string_view)>& matches) {
        return std::any_of(lines.begin(), lines.end(), [&](std::string_view line) { return matches(textOf(line)); });
    };
    const auto contains = [](std::string_view part) {
        return [part](std::string_view text) { return text.find(part) != std::string_view::npos; };
    };
    const auto playerLine = [](std::string_view verbStart) {
        return [verbStart](std::string_view text) {
            PlayerToken token;
            std::string_view verb;
            return takePlayer(text, token, verb) && verb.starts_with(verbStart);
        };
    };

    struct Case {
        const char* kind;
        std::function<bool(std::string_view)> matches;
    };
    const Case cases[] = {
        {"map start", contains("Started map \"")},
        {"round start", contains("World triggered \"Round_Start\"")},
        {"round end", contains("World triggered \"Round_End\"")},
        {"round draw", contains("World triggered \"Round_Draw\" (CT \"")},
        {"CT win", contains("Team \"CT\" triggered \"CTs_Win\" (CT \"")},
        {"T win", contains("Team \"TERRORIST\" triggered \"Terrorists_Win\" (CT \"")},
        {"final score", contains("Team \"TERRORIST\" scored \"")},
        {"kill", playerLine("killed \"")},
        {"team kill",
         [](std::string_view text) {
             PlayerToken killer, victim;
             std::string_view verb, rest;
             return takePlayer(text, killer, verb) && verb.starts_with("killed ")
                 && takePlayer(verb.substr(7), victim, rest) && killer.team == victim.team;
         }},
        {"suicide by falling", playerLine("committed suicide with \"worldspawn\"")},
        {"suicide by grenade", playerLine("committed suicide with \"grenade\"")},
        {"connection", contains("<STEAM_ID_PENDING><>\" connected, address \"")},
        {"validation", playerLine("STEAM USERID validated")},
        {"entering", contains("<>\" entered the game")},
        {"joining T", playerLine("joined team \"TERRORIST\"")},
        {"joining CT", playerLine("joined team \"CT\"")},
        {"joining spectators", playerLine("joined team \"SPECTATOR\"")},
        {"spectator acting", contains("<SPECTATOR>\" ")},
        {"renaming", playerLine("changed name to \"")},
        {"leaving", playerLine("disconnected")},
        {"chat", playerLine("say \"")},
        {"team chat", playerLine("say_team \"")},
        {"dead chat", [](std::string_view text) { return text.find(" say \"") != text.npos && text.ends_with("\" (dead)"); }},
        {"dead team chat",
         [](std::string_view text) { return text.find(" say_team \"") != text.npos && text.ends_with("\" (dead)"); }},
        {"chat with inner quotes",
         [](std::string_view text) {
             const std::size_t open = text.find(" say \"");
             return open != text.npos && text.ends_with('"')
                 && text.substr(open + 6, text.size() - open - 7).find('"') != text.npos;
         }},
        {"remote console", contains("Rcon: \"rcon ")},
        {"refused remote console", contains("Bad Rcon: \"rcon ")},
        {"password with a space",
         [](std::string_view text) {
             if (!text.starts_with("Rcon: \"rcon ") && !text.starts_with("Bad Rcon: \"rcon "))
                 return false;
             const std::size_t open = text.find(" \"", 10);
             const std::size_t close = text.find('"', open + 2);
             return text.substr(open + 2, close - open - 2).find(' ') != text.npos;
         }},
        {"plugin noise", contains("[META] ")},
        {"bomb spawn", playerLine("triggered \"Spawned_With_The_Bomb\"")},
        {"server restart", contains("Server shutdown")},
        {"UTF-8 name",
         [](std::string_view text) {
             PlayerToken token;
             std::string_view verb;
             return takePlayer(text, token, verb) && isValidUtf8(token.name)
                 && std::any_of(token.name.begin(), token.name.end(), [](char c) { return (c & 0x80) != 0; });
         }},
        {"Windows-1252 name",
         [](std::string_view text) {
             PlayerToken token;
             std::string_view verb;
             return takePlayer(text, token, verb) && !isValidUtf8(token.name);
         }},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(any(c.matches)) << "no line of kind: " << c.kind;
}

TEST(LogGenerator, KeepsPlayersConsistent)
{
    struct Case {
        const char* name;
        LogGenOptions options;
    };
    const Case cases[] = {
        {"evening server", optionsWith(1, 3, 5000, 32)},
        {"small server", optionsWith(11, 3, 1500, 8)},
        {"many short maps", optionsWith(12, 2, 5000, 20, 60)},
        {"heavy day with every hit", optionsWith(13, 1, 80000, 32)},
    };
    for (const Case& c : cases) {
        test::TempFolder folder;
        const std::vector<std::string> problems = findInconsistencies(generate(folder, c.options));
        EXPECT_TRUE(problems.empty()) << c.name << ":\n" << (problems.empty() ? "" : problems.front());
    }
}

// Players keep their address from one visit to the next, and a few share
// one with someone else (the checks of KeepsPlayersConsistent cover the
// first part).
TEST(LogGenerator, SomePlayersShareAnAddress)
{
    test::TempFolder folder;
    std::map<std::string, std::set<std::string>> namesOfHost;
    for (const LogFile& file : generate(folder, optionsWith(1, 3, 5000, 32))) {
        for (std::string_view line : file.lines) {
            PlayerToken token;
            std::string_view verb;
            if (!takePlayer(textOf(line), token, verb) || !verb.starts_with("connected, address \""))
                continue;
            const std::string_view address = verb.substr(20);
            namesOfHost[std::string(address.substr(0, address.find(':')))].insert(token.name);
        }
    }
    EXPECT_TRUE(std::any_of(namesOfHost.begin(), namesOfHost.end(),
                            [](const auto& host) { return host.second.size() > 1; }));
}

TEST(LogGenerator, WritesAboutTheRequestedLineCount)
{
    struct Case {
        const char* name;
        LogGenOptions options;
    };
    const Case cases[] = {
        {"a few thousand", optionsWith(1, 3, 4000, 32)},
        {"small server", optionsWith(5, 2, 2000, 10)},
        {"busy day", optionsWith(6, 2, 25000, 32)},
        {"heavy day", optionsWith(7, 1, 200000, 32)},
        {"fixed file count", optionsWith(8, 2, 6000, 24, 40)},
    };
    for (const Case& c : cases) {
        test::TempFolder folder;
        std::map<std::string, std::int64_t> linesOfDay;
        for (const LogFile& file : generate(folder, c.options))
            linesOfDay[file.name.substr(1, 4)] += static_cast<std::int64_t>(file.lines.size());
        EXPECT_EQ(linesOfDay.size(), static_cast<std::size_t>(c.options.days)) << c.name;
        for (const auto& [day, count] : linesOfDay) {
            EXPECT_NEAR(static_cast<double>(count), static_cast<double>(c.options.linesPerDay),
                        0.1 * static_cast<double>(c.options.linesPerDay))
                << c.name << ", day " << day;
        }
    }
}

TEST(LogGenerator, HonoursFilesPerDay)
{
    for (const int filesPerDay : {1, 7, 250, 1000}) {
        test::TempFolder folder;
        std::map<std::string, int> filesOfDay;
        for (const LogFile& file : generate(folder, optionsWith(3, 2, 5000, 16, filesPerDay))) {
            ++filesOfDay[file.name.substr(1, 4)];
            EXPECT_EQ(textOf(file.lines.back()), "Log file closed") << file.name;
        }
        ASSERT_EQ(filesOfDay.size(), 2u) << filesPerDay;
        for (const auto& [day, count] : filesOfDay)
            EXPECT_EQ(count, filesPerDay) << "day " << day;
    }
}

// Only a day too heavy for plain rounds comes from a server that logs every
// hit, and its files say so.
TEST(LogGenerator, LogsHitsOnlyOnHeavyDays)
{
    struct Case {
        std::int64_t linesPerDay;
        bool hits;
    };
    for (const Case c : {Case{5000, false}, Case{100000, true}}) {
        test::TempFolder folder;
        const std::vector<LogFile> files = generate(folder, optionsWith(9, 1, c.linesPerDay, 32));
        bool hits = false;
        for (const LogFile& file : files)
            hits = hits || file.bytes.find("\" attacked \"") != std::string::npos;
        EXPECT_EQ(hits, c.hits) << c.linesPerDay;
        EXPECT_NE(files.front().bytes.find(c.hits ? "\"mp_logdetail\" = \"3\"" : "\"mp_logdetail\" = \"0\""),
                  std::string::npos);
    }
}

TEST(LogGenerator, RejectsInvalidOptions)
{
    struct Case {
        const char* name;
        LogGenOptions options;
    };
    const auto with = [](auto change) {
        LogGenOptions options;
        change(options);
        return options;
    };
    const Case cases[] = {
        {"no leap day", with([](LogGenOptions& o) { o.firstYear = 2001, o.firstMonth = 2, o.firstDay = 29; })},
        {"zero days", with([](LogGenOptions& o) { o.days = 0; })},
        {"zero lines", with([](LogGenOptions& o) { o.linesPerDay = 0; })},
        {"one player", with([](LogGenOptions& o) { o.maxPlayers = 1; })},
        {"33 players", with([](LogGenOptions& o) { o.maxPlayers = 33; })},
        {"1001 files", with([](LogGenOptions& o) { o.filesPerDay = 1001; })},
        {"past year 9999", with([](LogGenOptions& o) { o.firstYear = 9999, o.firstMonth = 12, o.firstDay = 31; })},
    };
    for (const Case& c : cases) {
        test::TempFolder folder;
        EXPECT_FALSE(generateLogFolder(folder.path() / "logs", c.options)) << c.name;
        EXPECT_FALSE(std::filesystem::exists(folder.path() / "logs")) << c.name;
    }
}

// samples/README.md records the command that made the bundled folder; these
// are its options.
TEST(LogGenerator, ReproducesTheBundledSamples)
{
    LogGenOptions options;
    options.seed = 20010706;
    options.days = 3;
    options.linesPerDay = 4000;
    options.maxPlayers = 32;
    test::TempFolder folder;
    const std::vector<LogFile> generated = generate(folder, options);
    const std::vector<LogFile> bundled = readFolder(test::sampleLogs());
    ASSERT_EQ(generated.size(), bundled.size());
    for (std::size_t i = 0; i < generated.size(); ++i) {
        EXPECT_EQ(generated[i].name, bundled[i].name);
        EXPECT_TRUE(generated[i].bytes == bundled[i].bytes) << bundled[i].name << " differs";
    }
}

} // namespace
} // namespace zelkam
