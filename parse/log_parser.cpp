#include "parse/log_parser.h"

#include <cstring>

#include "parse/recognizer.h"

namespace zelkam {
namespace {

std::string_view cutAt(std::string_view line, char c)
{
    const void* at = std::memchr(line.data(), c, line.size());
    return at ? line.substr(0, static_cast<std::size_t>(static_cast<const char*>(at) - line.data())) : line;
}

bool isBookkeeping(std::string_view rest)
{
    return rest.find("Log file started") != std::string_view::npos
           || rest.find("Log file closed") != std::string_view::npos
           || rest.find("Server cvar") != std::string_view::npos;
}

} // namespace

void LogParser::processLine(std::string_view line)
{
    // A line is a C string to the server's tools: nothing after a NUL counts.
    line = cutAt(line, '\0');
    if (line.size() > LinePrefixLength && isBookkeeping(line.substr(LinePrefixLength)))
        return;
    line = cutAt(line, '\r');
    line = cutAt(line, '\n');
    if (line.size() < LinePrefixLength)
        return;
    const std::string_view rest = line.substr(LinePrefixLength);
    const std::int32_t time = stamps_.convert(line.substr(TimeStampOffset));
    tokenizeLine(rest, tokens_);
    recognizeEvent(time, tokens_, arena_, events_);
}

void LogParser::reset()
{
    events_.clear();
    arena_.reset();
    tokens_.clear();
    stamps_.reset();
}

} // namespace zelkam
