// A day or three of a server's players written by the input: connections,
// reconnections under other names and accounts, renames onto names in use,
// kills, shutdowns by name, commands from players' addresses, midnights and
// stamps that go back, all from small pools so that they collide. The
// session tracker, fed event by event, in the runs a day's read hands on,
// and without recording lines, must give the sessions of the same rules
// written the plain way (the tests' reference tracker).

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "history/player_sessions.h"
#include "parse/log_parser.h"
#include "tests/history/reference_session_tracker.h"

using namespace zelkam;

namespace {

const char* const Names[] = {"Al", "Bo", "Player", "Cy", "", "Al Bo", "\xff\xfe", "a name well past the length of most"};
const char* const Ids[] = {"STEAM_0:1:1",      "STEAM_0:1:2",  "STEAM_1:1:2", "STEAM_2:1:1",  "STEAM_0:1:12345678901",
                           "STEAM_ID_PENDING", "STEAM_ID_LAN", "VALVE_ID_LAN", "BOT",         "HLTV",
                           "",                 "345678"};
const char* const Addresses[] = {"10.0.0.1:1", "10.0.0.2:1", "10.0.0.1:2", "[2001:db8::1]:27005", "loopback", "none"};
const char* const Teams[] = {"", "TERRORIST", "CT", "SPECTATOR", "UNASSIGNED"};
const char* const Dates[] = {"07/05/2001", "07/06/2001", "07/07/2001"};

template <typename Pool>
const char* pick(const Pool& pool, std::uint8_t byte)
{
    return pool[byte % std::size(pool)];
}

class Writer {
public:
    explicit Writer(fuzz::FuzzProgram& program) : program_(program) {}

    std::string text()
    {
        for (int op = 0; op < 400 && !program_.done(); ++op)
            step();
        return text_;
    }

private:
    // A player token; user ids from a few small ones, spaced ones (runs of
    // numbers that land on one slot) and the shutdown's -1.
    std::string player()
    {
        const std::uint8_t b = program_.byte();
        const int userIds[] = {1, 2, 3, 4, 1 << 20, 2 << 20, -1};
        return std::string("\"") + pick(Names, b) + "<" + std::to_string(userIds[(b >> 3) % std::size(userIds)]) + "><" +
               pick(Ids, program_.byte()) + "><" + pick(Teams, b >> 5) + ">\"";
    }

    void line(const std::string& rest)
    {
        char stamp[40];
        std::snprintf(stamp, sizeof stamp, "L %s - %02d:%02d:%02d: ", Dates[day_], seconds_ / 3600, seconds_ / 60 % 60,
                      seconds_ % 60);
        text_ += stamp + rest + "\n";
    }

    void step()
    {
        const std::uint8_t op = program_.byte();
        switch (op % 16) {
        case 0: {
            // Time moves on, past midnight now and then, or back a little.
            const std::uint8_t by = program_.byte();
            seconds_ += by < 200 ? by : (by - 199) * 1500;
            if (seconds_ >= 86400 && day_ + 1 < static_cast<int>(std::size(Dates))) {
                seconds_ -= 86400;
                ++day_;
            }
            seconds_ = seconds_ < 86399 ? seconds_ : 86399;
            break;
        }
        case 1: seconds_ = seconds_ > 30 ? seconds_ - 30 : 0; break;
        case 2:
        case 3: line(player() + " connected, address \"" + pick(Addresses, program_.byte()) + "\""); break;
        case 4: line(player() + " disconnected"); break;
        case 5: line(player() + " entered the game"); break;
        case 6: line(player() + " joined team \"" + pick(Teams, program_.byte()) + "\""); break;
        case 7: line(player() + " changed name to \"" + pick(Names, program_.byte()) + "\""); break;
        case 8: line(player() + (program_.byte() % 2 ? " say \"hi\"" : " say_team \"hi\"")); break;
        case 9:
        case 10: line(player() + " killed " + player() + " with \"ak47\""); break;
        case 11: line(player() + " committed suicide with \"world\""); break;
        case 12: {
            const std::uint8_t b = program_.byte();
            line(std::string(b % 2 ? "Rcon" : "Bad Rcon") + ": \"rcon 1 pw status\" from \"" + pick(Addresses, b >> 1) +
                 "\"");
            break;
        }
        case 13: line("World triggered \"Round_Start\""); break;
        case 14: line("Started map \"de_dust\" (CRC \"-1\")"); break;
        default:
            // The same player twice in a row, as a killer's runs of kills.
            line(player() + " killed " + player() + " with \"awp\"");
            break;
        }
    }

    fuzz::FuzzProgram& program_;
    std::string text_;
    int day_ = 0;
    int seconds_ = 22 * 3600;
};

std::string described(const PlayerSession& s, bool withLines)
{
    std::string text = std::to_string(s.day) + ' ' + std::to_string(s.start) + '-' + std::to_string(s.end) + ' ' +
                       s.uniqueId + " u" + std::to_string(s.userId) + " a" + std::to_string(s.addressKey) + " [";
    for (const std::string& name : s.names)
        text += name + ';';
    text += "] t";
    for (int team : s.teams)
        text += std::to_string(team);
    text += " f" + std::to_string(s.frags) + " d" + std::to_string(s.deaths) + " c" + std::to_string(s.chat) + " e" +
            std::to_string(static_cast<int>(s.ended));
    if (withLines) {
        text += " l";
        for (std::size_t line : s.lines)
            text += ' ' + std::to_string(line);
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::useFuzzTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzProgram program(data, size);
    const std::uint8_t runs = program.byte();
    Writer writer(program);
    LogParser parser;
    parser.processLines(writer.text());
    const EventList& events = parser.events();

    std::vector<std::string> expected;
    std::vector<std::string> expectedPlain;
    test::ReferenceSessionTracker reference(
        [&](PlayerSession&& s) {
            expected.push_back(described(s, true));
            expectedPlain.push_back(described(s, false));
        },
        true);
    for (std::size_t e = 0; e < events.size(); ++e)
        reference.add(events[e], e);
    reference.finish();

    std::vector<std::string> byEvent;
    SessionTracker one([&](PlayerSession&& s) { byEvent.push_back(described(s, true)); }, true);
    for (std::size_t e = 0; e < events.size(); ++e)
        one.add(events[e], e);
    one.finish();
    if (byEvent != expected)
        __builtin_trap();

    std::vector<std::string> byRun;
    SessionTracker run([&](PlayerSession&& s) { byRun.push_back(described(s, true)); }, true);
    for (std::size_t e = 0, n = 0; e < events.size(); ++n) {
        const std::size_t length = std::min<std::size_t>(1 + (runs + n * 7) % 40, events.size() - e);
        run.addRun(events, e, e + length, e);
        e += length;
    }
    run.finish();
    if (byRun != expected)
        __builtin_trap();

    std::vector<std::string> plain;
    SessionTracker unrecorded([&](PlayerSession&& s) { plain.push_back(described(s, false)); });
    unrecorded.addAll(events, 0, [] {});
    unrecorded.finish();
    if (plain != expectedPlain)
        __builtin_trap();
    return 0;
}
