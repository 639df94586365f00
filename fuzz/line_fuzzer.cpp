// Arbitrary bytes as one log line: filter, time stamp, tokenizer,
// recogniser and event list must take anything and make at most one event
// whose strings are terminated inside the arena.

#include <cstring>

#include "fuzz/fuzz_support.h"
#include "parse/log_parser.h"
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
