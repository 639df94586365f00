// Arbitrary bytes as one log line: filter, time stamp, tokenizer,
// recogniser and event list must take anything and make at most one event
// whose strings are terminated inside the arena. The same bytes read as a
// block of lines must give exactly the events of its lines taken one by one,
// and recognising with tokens made on demand the event of the whole table.

#include <algorithm>
#include <cstring>
#include <string>

#include "fuzz/display_check.h"
#include "fuzz/fuzz_support.h"
#include "parse/log_parser.h"
#include "parse/player_token_cache.h"
#include "parse/recognizer.h"
#include "parse/tokenizer.h"

using namespace zelkam;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::useFuzzTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static LogParser parser;
    parser.reset();
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    parser.processLine(line);
    if (parser.events().size() > 1)
        __builtin_trap();
    for (const LogEvent& event : parser.events()) {
        if (event.kind < 0 || event.kind >= EventKindCount)
            __builtin_trap();
        // Reading the strings whole lets the sanitizer check their ends.
        if (event.text && std::strlen(event.text) > TokenTable::MaxTokenLength)
            __builtin_trap();
        if (event.player.name && std::strlen(event.player.name) > TokenTable::MaxTokenLength)
            __builtin_trap();
        fuzz::checkDisplayForms(event.text ? event.text : "");
        fuzz::checkDisplayForms(event.player.name ? event.player.name : "");
    }
    // The raw line too: every text output, on any bytes at all.
    fuzz::checkDisplayForms(line);

    // Asked for every kind, the parser makes the replay's event unchanged,
    // or an event of a ranking kind where the replay gets none; the detail
    // of a kill or a team score reads inside the arena.
    static LogParser allKinds;
    allKinds.reset();
    allKinds.setAllKinds(true);
    allKinds.processLine(line);
    if (allKinds.events().size() > 1 || allKinds.events().size() < parser.events().size())
        __builtin_trap();
    for (const LogEvent& event : allKinds.events()) {
        if (event.kind < 0 || event.kind >= AllEventKindCount)
            __builtin_trap();
        if (parser.events().empty() ? event.kind < EventKindCount : event.kind != parser.events()[0].kind)
            __builtin_trap();
        if (!parser.events().empty()) {
            const LogEvent& replayed = parser.events()[0];
            if ((event.text == nullptr) != (replayed.text == nullptr)
                || (event.text && std::strcmp(event.text, replayed.text) != 0))
                __builtin_trap();
        }
        const KillDetail kill = killDetailOf(event);
        if (std::strlen(kill.killerUniqueId) > TokenTable::MaxTokenLength
            || std::strlen(kill.weapon) > TokenTable::MaxTokenLength)
            __builtin_trap();
        if (event.kind == TeamScore && (scoringTeamOf(event) < 0 || scoringTeamOf(event) > Team::None))
            __builtin_trap();
    }

    // The block reading against the line-by-line reading.
    static LogParser byLine;
    static LogParser byBlock;
    byLine.reset();
    byBlock.reset();
    std::string block(line);
    if (block.empty() || block.back() != '\n')
        block += '\n';
    for (std::size_t start = 0; start < block.size();) {
        const std::size_t next = block.find('\n', start) + 1;
        byLine.processLine(std::string_view(block).substr(start, std::min(next - start, LogParser::MaxLineLength)));
        start = next;
    }
    byBlock.processLines(block);
    if (byLine.events().size() != byBlock.events().size())
        __builtin_trap();
    for (std::size_t i = 0; i < byLine.events().size(); ++i) {
        const LogEvent& a = byLine.events()[i];
        const LogEvent& b = byBlock.events()[i];
        const auto same = [](const char* x, const char* y) { return (!x && !y) || (x && y && std::strcmp(x, y) == 0); };
        if (a.kind != b.kind || a.time != b.time || !same(a.text, b.text) || !same(a.player.name, b.player.name)
            || a.player.userId != b.player.userId || a.player.addressKey != b.player.addressKey)
            __builtin_trap();
    }

    // The parser makes only the tokens the recogniser reads and looks players
    // up in its cache: it must make the event that recognising the whole
    // token table makes.
    static StringArena arena;
    static PlayerTokenCache players;
    static EventList whole;
    static EventList onDemand;
    arena.reset();
    players.clear();
    whole.clear();
    onDemand.clear();
    TokenTable table;
    tokenizeLine(line, table, LogParser::RecognisedTokens);
    recognizeEvent(0, table, arena, whole);
    // Twice: the second time the players come from the cache.
    recognizeLine(0, line, table, LogParser::RecognisedTokens, players, arena, onDemand);
    recognizeLine(0, line, table, LogParser::RecognisedTokens, players, arena, onDemand);
    if (onDemand.size() != 2 * whole.size())
        __builtin_trap();
    const auto same = [](const char* x, const char* y) { return (!x && !y) || (x && y && std::strcmp(x, y) == 0); };
    for (const LogEvent& b : onDemand) {
        const LogEvent& a = whole[0];
        if (a.kind != b.kind || !same(a.text, b.text) || !same(a.player.name, b.player.name)
            || a.player.userId != b.player.userId || a.player.wonId != b.player.wonId
            || a.player.addressKey != b.player.addressKey || a.player.team != b.player.team)
            __builtin_trap();
    }

    // The tokenizer on its own, without the line reader's 255-byte cut.
    TokenTable tokens;
    tokenizeLine(line, tokens);
    for (int i = 0; i < tokens.count(); ++i) {
        const std::string_view token = tokens.token(i);
        if (token.size() > TokenTable::MaxTokenLength || token.data() < line.data()
            || token.data() + token.size() > line.data() + line.size())
            __builtin_trap();
    }
    return 0;
}
