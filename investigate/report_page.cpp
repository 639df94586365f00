#include "investigate/report_page.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "history/name_index.h"
#include "history/player_sessions.h"
#include "parse/account_id.h"
#include "parse/calendar_date.h"
#include "parse/time_stamp.h"
#include "replay/day_overview.h"
#include "state/event_application.h"
#include "text/text_out.h"

namespace zelkam {
namespace {

std::string html(std::string_view logBytes) { return htmlText(logBytes); }
std::string html(const char* logText) { return htmlText(logText ? logText : ""); }

const char* teamName(std::int32_t team)
{
    return team == Team::Terrorist ? "Terrorist" : team == Team::CounterTerrorist ? "Counter-Terrorist" : "Spectator";
}

struct Board {
    std::string map;
    std::int32_t ctScore = 0;
    std::int32_t tScore = 0;
    std::vector<PlayerEntry> players;
};

Board boardOf(const LiveState& live)
{
    Board board;
    board.map = live.mapName ? live.mapName : "";
    board.ctScore = live.ctScore;
    board.tScore = live.tScore;
    for (std::size_t i = 0; i < live.roster.count; ++i)
        board.players.push_back(live.roster.entries[i]);
    // Teams together, the best score first, as a scoreboard reads.
    std::stable_sort(board.players.begin(), board.players.end(), [](const PlayerEntry& a, const PlayerEntry& b) {
        if (a.team != b.team)
            return a.team < b.team;
        return a.frags > b.frags;
    });
    return board;
}

// A time of the range as the page shows it: the clock, and the date too
// when the range has reached past midnight into the next day (a range to
// 30:00:00 ends at six the next morning, not before it begins).
std::string rangeTimeText(std::int32_t time, std::int32_t dayStart)
{
    std::string text = timeOfDayText(time);
    if (dayStartOf(time) != dayStart)
        text += " on " + dateText(time);
    return text;
}

// Player texts point into the loaded window, which lives as long as the
// state's day: copies are kept only for what outlives the page's making.
// The roster keeps an address only for a player who connected since the
// map began, so the boards show none; the players' table shows them all.
void appendBoard(std::string& out, const char* title, std::int32_t time, std::int32_t dayStart, const Board& board)
{
    out += "<section><h2>" + std::string(title) + " (" + rangeTimeText(time, dayStart) + ")</h2>\n";
    // A range that begins before the day's first map start (files that
    // begin mid-map) has no map to name yet.
    const std::string map = board.map.empty() ? std::string("not known yet") : html(board.map);
    out += "<p>Map " + map + ": Counter-Terrorists " + std::to_string(board.ctScore) + ", Terrorists " +
           std::to_string(board.tScore) + "</p>\n";
    out += "<table class=\"board\"><thead><tr><th>Player</th><th>Unique id</th><th>Team</th><th>Frags</th>"
           "<th>Deaths</th></tr></thead><tbody>\n";
    for (const PlayerEntry& player : board.players) {
        out += "<tr class=\"team" + std::to_string(player.team) + "\"><td class=\"name\">" + html(player.name) +
               "</td><td>" + html(player.uniqueId) + "</td><td>" + teamName(player.team) + "</td><td>" +
               std::to_string(player.frags) + "</td><td>" + std::to_string(player.deaths) + "</td></tr>\n";
    }
    if (board.players.empty())
        out += "<tr><td colspan=\"5\">Nobody on the server.</td></tr>\n";
    out += "</tbody></table></section>\n";
}

// A player met in the range: every name he used and where he came from.
// His names are found by hash once they are many: the page involves the
// player of every event, and a stranger can rename himself thousands of
// times.
struct Involved {
    std::string uniqueId;
    std::vector<std::string> names;
    NameIndex nameIndex;
    std::vector<std::int32_t> addresses;
};

void involve(std::map<std::string, Involved>& players, const PlayerEntry& player)
{
    if (!player.name)
        return;
    const std::string id = player.uniqueId ? player.uniqueId : "";
    // Players of a shared id are told apart by name, as the record does.
    const std::string key = isSharedUniqueId(id) ? id + '\x01' + player.name : id;
    Involved& involved = players[key];
    involved.uniqueId = id;
    involved.nameIndex.addTo(involved.names, player.name);
    if (player.addressKey != NoAddressKey &&
        std::find(involved.addresses.begin(), involved.addresses.end(), player.addressKey) == involved.addresses.end())
        involved.addresses.push_back(player.addressKey);
}

// The line the page shows for an event that composes no chat line.
std::string describe(const LogEvent& event)
{
    switch (event.kind) {
    case MapStarted:
        return "Map " + html(event.text) + " started";
    case PlayerConnected:
        return html(event.player.name) + " connected";
    case PlayerEntered:
        return html(event.player.name) + " entered the game";
    case RoundStarted:
        return "Round started";
    case TeamScore:
        return "Team score";
    case Killed:
        return html(event.text) + " killed " + html(event.player.name);
    case Suicide:
        return html(event.player.name) + " committed suicide";
    case PlayerDisconnected:
        return html(event.player.name) + " disconnected";
    default:
        return {};
    }
}

void appendPlot(std::string& out, const DayOverview& overview, std::int32_t from, std::int32_t to)
{
    const std::int32_t firstMinute = std::max(0, (from - overview.dayStart) / 60);
    const std::int32_t lastMinute = std::min(static_cast<std::int32_t>(overview.minutes.size()) - 1,
                                             (to - overview.dayStart) / 60);
    if (lastMinute < firstMinute)
        return;
    const std::int32_t count = lastMinute - firstMinute + 1;
    std::int32_t peak = 1;
    for (std::int32_t m = firstMinute; m <= lastMinute; ++m) {
        const OverviewMinute& minute = overview.minutes[static_cast<std::size_t>(m)];
        peak = std::max({peak, minute.players(), minute.kills, minute.chat});
    }
    constexpr int Width = 760;
    constexpr int Height = 140;
    constexpr int Left = 30;
    constexpr int Bottom = 20;
    const double step = static_cast<double>(Width - Left) / count;
    const auto x = [&](std::int32_t i) { return Left + step * i; };
    const auto y = [&](std::int32_t value) { return (Height - Bottom) - (Height - Bottom - 10) * value / double(peak); };
    out += "<section><h2>Activity</h2>\n<svg class=\"plot\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           std::to_string(Width) + "\" height=\"" + std::to_string(Height) + "\" viewBox=\"0 0 " +
           std::to_string(Width) + ' ' + std::to_string(Height) + "\" role=\"img\" aria-label=\"Players, kills and "
           "chat per minute\">\n";
    out += "<line x1=\"" + std::to_string(Left) + "\" y1=\"" + std::to_string(Height - Bottom) + "\" x2=\"" +
           std::to_string(Width) + "\" y2=\"" + std::to_string(Height - Bottom) + "\" stroke=\"#888\"/>\n";
    char number[64];
    for (std::int32_t i = 0; i < count; ++i) {
        const OverviewMinute& minute = overview.minutes[static_cast<std::size_t>(firstMinute + i)];
        const double barWidth = std::max(1.0, step / 2 - 0.5);
        if (minute.kills > 0) {
            std::snprintf(number, sizeof number, "%.1f", x(i));
            const double top = y(minute.kills);
            out += "<rect class=\"kills\" x=\"" + std::string(number) + "\" y=\"" + std::to_string(top) +
                   "\" width=\"" + std::to_string(barWidth) + "\" height=\"" +
                   std::to_string((Height - Bottom) - top) + "\" fill=\"#c0392b\"/>\n";
        }
        if (minute.chat > 0) {
            std::snprintf(number, sizeof number, "%.1f", x(i) + barWidth);
            const double top = y(minute.chat);
            out += "<rect class=\"chat\" x=\"" + std::string(number) + "\" y=\"" + std::to_string(top) +
                   "\" width=\"" + std::to_string(barWidth) + "\" height=\"" +
                   std::to_string((Height - Bottom) - top) + "\" fill=\"#2e86c1\"/>\n";
        }
    }
    out += "<polyline fill=\"none\" stroke=\"#27ae60\" stroke-width=\"2\" points=\"";
    for (std::int32_t i = 0; i < count; ++i) {
        std::snprintf(number, sizeof number, "%.1f,%.1f ", x(i) + step / 2,
                      y(overview.minutes[static_cast<std::size_t>(firstMinute + i)].players()));
        out += number;
    }
    out += "\"/>\n";
    out += "<text x=\"" + std::to_string(Left) + "\" y=\"" + std::to_string(Height - 4) + "\" font-size=\"11\">" +
           timeOfDayText(overview.dayStart + 60 * firstMinute) + "</text>\n";
    out += "<text x=\"" + std::to_string(Width) + "\" y=\"" + std::to_string(Height - 4) +
           "\" font-size=\"11\" text-anchor=\"end\">" + timeOfDayText(overview.dayStart + 60 * lastMinute) +
           "</text>\n";
    out += "<text x=\"2\" y=\"12\" font-size=\"11\">" + std::to_string(peak) + "</text>\n";
    out += "</svg>\n<p class=\"legend\"><span class=\"players\">&#9644; players on the server</span> "
           "<span class=\"kills\">&#9632; kills</span> <span class=\"chat\">&#9632; chat lines</span> "
           "(per minute)</p></section>\n";
}

constexpr std::string_view PageStyle = R"(
body { font: 14px/1.4 "Liberation Sans", Arial, sans-serif; margin: 1.5em; color: #111; background: #fff; }
h1 { font-size: 1.4em; margin-bottom: 0.2em; }
h2 { font-size: 1.1em; margin: 1.2em 0 0.4em; }
table { border-collapse: collapse; margin-bottom: 0.5em; }
th, td { border: 1px solid #bbb; padding: 2px 8px; text-align: left; vertical-align: top; }
th { background: #ddd; }
.board tr.team0 td { background: #f5d5d0; }
.board tr.team1 td { background: #d0def5; }
.board tr.team2 td { background: #eee; }
.time { white-space: nowrap; font-family: "Liberation Mono", monospace; }
.source td:first-child { font-weight: bold; }
.legend .players { color: #27ae60; } .legend .kills { color: #c0392b; } .legend .chat { color: #2e86c1; }
.note { color: #555; font-size: 0.9em; }
@media print { body { margin: 0; } section { break-inside: avoid; } tr { break-inside: avoid; } }
)";

// The page as it is made, handed to the writer a piece at a time: a range of
// a million chat lines (an archive of one line repeated) never holds its
// page, which would take several times the day's own memory.
class PageOut {
public:
    explicit PageOut(const ReportWriter& write) : write_(write) {}

    std::string& operator*() { return piece_; }
    // Hands the piece on once it is large. False once a write has failed.
    bool flushWhenFull() { return piece_.size() < PieceBytes || flush(); }
    bool flush()
    {
        if (ok_ && !piece_.empty())
            ok_ = write_(piece_);
        piece_.clear();
        return ok_;
    }

private:
    static constexpr std::size_t PieceBytes = std::size_t{1} << 20;
    const ReportWriter& write_;
    std::string piece_;
    bool ok_ = true;
};

bool isChat(const LogEvent& event) { return event.kind == Say || event.kind == SayTeam; }

} // namespace

bool writeReportPage(ViewerState& state, const ReportRequest& request, const AddressNames& addresses,
                     const ReportWriter& write)
{
    if (state.isEmptyDay())
        return false;
    const DayOverview overview = computeDayOverview(state);
    const std::string day = dateText(state.dayStart());
    const std::string range =
        rangeTimeText(request.from, state.dayStart()) + " to " + rangeTimeText(request.to, state.dayStart());

    std::optional<SessionTest> test;
    if (request.player)
        test.emplace(*request.player);
    // player: who the event is about as the replay reads it.
    const auto namesPlayer = [&](const LogEvent& event, const PlayerEntry& player) {
        if (!test)
            return true;
        const PlayerQuery& query = *request.player;
        const auto is = [&](const char* name, const char* id) {
            return query.byId ? (id && isSameAccount(query.text, id)) : (name && test->matchesName(name));
        };
        if (is(player.name, player.uniqueId))
            return true;
        if (event.kind != Killed)
            return false;
        // The day is read as the viewer reads it, where a kill names its
        // killer by name only (no detail follows the name): the killer is
        // the player the replay, the kill applied, credits it to.
        if (!query.byId)
            return is(event.text, nullptr);
        const PlayerEntry* killer = findPlayerByName(state.live(), event.text);
        return killer && is(killer->name, killer->uniqueId);
    };
    // The range replayed from its start: visit(event, line) for each event
    // the page tells, with the line it shows, and each player met involved
    // when involving is given. The page replays the range once to count and
    // once for each of its tables, writing rows as they come. The state
    // stands at to after it. False when visit stopped it.
    std::map<std::string, Involved> involved;
    const auto replayRange = [&](bool involving, const auto& visit) {
        state.seek(request.from);
        while (state.cursor() < state.dayPlayEnd() && state.events()[state.cursor()].time <= request.to) {
            const LogEvent& event = state.events()[state.cursor()];
            // A shutdown's disconnect names its player by name alone: he is
            // the roster's player the replay takes off, with his id and
            // address.
            std::optional<PlayerEntry> leaving;
            if (disconnectsByNameOnly(event)) {
                if (const PlayerEntry* player = findLeavingPlayer(state.live(), event))
                    leaving = *player;
            }
            const bool composed = state.applyNext();
            const PlayerEntry& player = leaving ? *leaving : event.player;
            if (involving && event.kind != MapStarted && event.kind != RoundStarted && event.kind != TeamScore &&
                event.kind != RconCommand && event.kind != BadRconCommand &&
                (leaving || !disconnectsByNameOnly(event)))
                involve(involved, player);
            if (!namesPlayer(event, player))
                continue;
            std::string line;
            if (composed) {
                // A chat line may hold a typed address (a command's, a message's).
                const ChatRing& lines = state.live().chatLines;
                line = html(addresses.textWithin(lines[lines.size() - 1].text));
            } else {
                line = describe(event);
            }
            if (!line.empty() && !visit(event, line))
                return false;
        }
        return true;
    };

    state.seek(request.from);
    const Board start = boardOf(state.live());
    for (const PlayerEntry& player : start.players)
        involve(involved, player);
    std::size_t eventCount = 0;
    std::size_t chatCount = 0;
    replayRange(true, [&](const LogEvent& event, const std::string&) {
        ++eventCount;
        chatCount += isChat(event);
        return true;
    });
    const Board end = boardOf(state.live());
    for (const PlayerEntry& player : end.players)
        involve(involved, player);

    PageOut out(write);
    std::string& page = *out;
    const std::string title = "Zelkam report: " + html(request.server) + ", " + day + ", " + range;
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    // Before anything a stranger wrote: the policy forbids every script, every
    // fetch and every form, whatever the page holds.
    page += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; script-src 'none'; "
            "object-src 'none'; style-src 'unsafe-inline'; img-src data:; base-uri 'none'; form-action 'none'\">\n";
    page += "<meta name=\"referrer\" content=\"no-referrer\">\n";
    page += "<title>" + title + "</title>\n<style>" + std::string(PageStyle) + "</style>\n</head>\n<body>\n";
    page += "<h1>" + title + "</h1>\n";
    page += "<table class=\"source\"><tbody>\n<tr><td>Folder</td><td>" + html(request.folder) +
            "</td></tr>\n<tr><td>Server</td><td>" + html(request.server) + "</td></tr>\n<tr><td>Day</td><td>" + day +
            "</td></tr>\n<tr><td>Range</td><td>" + range + "</td></tr>\n";
    if (request.player)
        page += "<tr><td>Player</td><td>" + std::string(request.player->byId ? "unique id " : "name holding ") +
                html(request.player->text) + "</td></tr>\n";
    page += "<tr><td>Addresses</td><td>" +
            std::string(addresses.hidesAddresses() ? "shown as pseudonyms (a keyed hash: the same address gives "
                                                     "the same pseudonym)"
                                                   : "shown as the network of each (first three groups)") +
            "</td></tr>\n</tbody></table>\n";
    appendBoard(page, "Scoreboard at the start", request.from, state.dayStart(), start);
    appendPlot(page, overview, request.from, request.to);
    const auto timeCell = [](const LogEvent& event) {
        return "<td class=\"time\">" + timeOfDayText(event.time) + "</td>";
    };
    page += "<section><h2>Events (" + std::to_string(eventCount) + ")</h2>\n<table class=\"events\"><tbody>\n";
    if (!replayRange(false, [&](const LogEvent& event, const std::string& line) {
            page += "<tr>" + timeCell(event) + "<td>" + line + "</td></tr>\n";
            return out.flushWhenFull();
        }))
        return false;
    page += "</tbody></table></section>\n";
    page += "<section><h2>Chat (" + std::to_string(chatCount) + ")</h2>\n<table class=\"chat\"><tbody>\n";
    if (!replayRange(false, [&](const LogEvent& event, const std::string&) {
            if (!isChat(event))
                return true;
            page += "<tr>" + timeCell(event) + "<td class=\"name\">" + html(event.player.name) + "</td><td>" +
                    (event.kind == SayTeam ? "(team) " : "") + html(addresses.textWithin(event.text)) +
                    "</td></tr>\n";
            return out.flushWhenFull();
        }))
        return false;
    page += "</tbody></table></section>\n";
    page += "<section><h2>Players (" + std::to_string(involved.size()) +
            ")</h2>\n<table class=\"players\"><thead><tr><th>Names</th><th>Unique id</th><th>Addresses</th></tr>"
            "</thead><tbody>\n";
    for (const auto& [key, player] : involved) {
        std::string names;
        for (const std::string& name : player.names)
            names += (names.empty() ? "" : "<br>") + html(name);
        std::string shown;
        for (const std::int32_t address : player.addresses)
            shown += (shown.empty() ? "" : ", ") + addresses.textOf(address);
        page += "<tr><td class=\"name\">" + names + "</td><td>" + html(player.uniqueId) + "</td><td>" + shown +
                "</td></tr>\n";
        if (!out.flushWhenFull())
            return false;
    }
    page += "</tbody></table></section>\n";
    appendBoard(page, "Scoreboard at the end", request.to, state.dayStart(), end);
    page += "<p class=\"note\">Made by Zelkam from the server's own logs. Names, chat and commands are shown as "
            "written; characters that would act or hide are shown as escapes such as \\u{202E}.</p>\n";
    page += "</body>\n</html>\n";
    return out.flush();
}

std::string reportServerName(const std::string& folder)
{
    std::error_code code;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, code);
    const std::filesystem::path path = (code ? std::filesystem::path(folder) : absolute).lexically_normal();
    // "logs/" normalises to "logs/", whose last part is empty.
    std::string name = path.filename().string();
    return name.empty() ? path.parent_path().filename().string() : name;
}

} // namespace zelkam
