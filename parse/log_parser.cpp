#include "parse/log_parser.h"

#include <algorithm>
#include <cstring>

#include "parse/recognizer.h"

namespace zelkam {
namespace {

constexpr std::string_view LogFileStarted = "Log file started";
constexpr std::string_view LogFileClosed = "Log file closed";
// Also the start of "Server cvars start" and "Server cvars end".
constexpr std::string_view ServerCvar = "Server cvar";

// Where the line ends for the recogniser: at its first NUL, carriage return
// or line feed. Three vectorised searches beat one byte-by-byte loop.
std::size_t contentEnd(std::string_view line)
{
    std::size_t end = line.size();
    for (char c : {'\n', '\r', '\0'}) {
        if (const void* at = std::memchr(line.data(), c, end))
            end = static_cast<std::size_t>(static_cast<const char*>(at) - line.data());
    }
    return end;
}

// Whether the rest of a line is one of the server's own bookkeeping lines:
// the phrase stands right after the time stamp. Anywhere else it is text a
// player wrote (a chat message, a name, a password guess) and counts as any
// other text.
bool isBookkeeping(std::string_view rest)
{
    return rest.starts_with(LogFileStarted) || rest.starts_with(LogFileClosed) || rest.starts_with(ServerCvar);
}

} // namespace

bool LogParser::recognizeContent(std::string_view content)
{
    if (isBookkeeping(content.substr(LinePrefixLength)))
        return false;
    const std::size_t before = events_.size();
    const std::int32_t time = stamps_.convert(content.substr(TimeStampOffset));
    // A stamp that is no time cannot be placed in the day: the line is
    // unreadable, as a line too short for its stamp is.
    if (time == -1)
        return false;
    recognizeLine(time, content.substr(LinePrefixLength), tokens_, RecognisedTokens, players_, arena_, events_,
                  allKinds_);
    return events_.size() != before;
}

void LogParser::processLine(std::string_view line)
{
    const std::size_t end = contentEnd(line);
    if (end >= LinePrefixLength)
        recognizeContent(line.substr(0, end));
}

void LogParser::processLines(std::string_view block)
{
    const auto lines = [&](auto&& handle) {
        for (std::size_t start = 0; start < block.size();) {
            const void* feed = std::memchr(block.data() + start, '\n', block.size() - start);
            const std::size_t next =
                feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - block.data()) + 1 : block.size();
            handle(start, std::min(next - start, MaxLineLength));
            start = next;
        }
    };

    if (std::memchr(block.data(), '\r', block.size()) || std::memchr(block.data(), '\0', block.size())) {
        lines([&](std::size_t start, std::size_t length) { processLine(block.substr(start, length)); });
        return;
    }

    // Without carriage returns or NULs a line's content runs to its line
    // feed.
    lines([&](std::size_t start, std::size_t length) {
        std::string_view line = block.substr(start, length);
        if (!line.empty() && line.back() == '\n')
            line.remove_suffix(1);
        if (line.size() >= LinePrefixLength)
            recognizeContent(line);
    });
}

void LogParser::reset()
{
    events_.clear();
    arena_.reset();
    players_.clear();
    tokens_.clear();
    stamps_.reset();
    text_.release();
}

} // namespace zelkam
