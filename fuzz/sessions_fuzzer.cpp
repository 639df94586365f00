// A day or three of a server's players written by the input (see
// PlayersLog). The session tracker, fed event by event, in the runs a day's
// read hands on, and without recording lines, must give the sessions of the
// same rules written the plain way (the tests' reference tracker).

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/players_log.h"
#include "history/player_sessions.h"
#include "parse/log_parser.h"
#include "tests/history/reference_session_tracker.h"

using namespace zelkam;

using test::described;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::useFuzzTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzProgram program(data, size);
    const std::uint8_t runs = program.byte();
    LogParser parser;
    parser.processLines(fuzz::writePlayersLog(program).all());
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
