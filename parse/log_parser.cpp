#include "parse/log_parser.h"

#include <algorithm>
#include <cstring>

#include "parse/recognizer.h"

namespace zelkam {
namespace {

constexpr std::string_view LogFileStarted = "Log file started";
constexpr std::string_view LogFileClosed = "Log file closed";
constexpr std::string_view ServerCvar = "Server cvar";
// What "Log file started" and "Log file closed" begin with.
constexpr std::string_view LogFile = "Log file ";

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

bool phraseAt(std::string_view text, std::size_t at, std::string_view phrase)
{
    return text.size() - at >= phrase.size() && text.substr(at, phrase.size()) == phrase;
}

// Whether the text holds one of the server's bookkeeping phrases anywhere.
bool isBookkeeping(std::string_view rest)
{
    for (std::size_t at = rest.find('L'); at != std::string_view::npos; at = rest.find('L', at + 1)) {
        if (phraseAt(rest, at, LogFileStarted) || phraseAt(rest, at, LogFileClosed))
            return true;
    }
    for (std::size_t at = rest.find('S'); at != std::string_view::npos; at = rest.find('S', at + 1)) {
        if (phraseAt(rest, at, ServerCvar))
            return true;
    }
    return false;
}

} // namespace

void LogParser::findPhrases(std::string_view block, char key, std::size_t keyAt, std::string_view phrase)
{
    // The key is a letter of the phrase that is rare in log text ("f" of
    // "file", the second "v" of "cvar"), so memchr leaps over several lines
    // between candidates.
    for (std::size_t at = block.find(key, keyAt); at != std::string_view::npos; at = block.find(key, at + 1)) {
        const std::size_t start = at - keyAt;
        if (!phraseAt(block, start, phrase))
            continue;
        if (phrase == LogFile && !phraseAt(block, start, LogFileStarted) && !phraseAt(block, start, LogFileClosed))
            continue;
        phraseStarts_.push_back(start);
    }
}

bool LogParser::recognizeContent(std::string_view content)
{
    const std::size_t before = events_.size();
    const std::int32_t time = stamps_.convert(content.substr(TimeStampOffset));
    tokenizeLine(content.substr(LinePrefixLength), tokens_, RecognisedTokens);
    recognizeEvent(time, tokens_, arena_, events_);
    return events_.size() != before;
}

void LogParser::processLine(std::string_view line)
{
    const std::size_t end = contentEnd(line);
    if (end < LinePrefixLength)
        return;
    if (!recognizeContent(line.substr(0, end)))
        return;
    // The server's bookkeeping lines make no event, whatever they look like.
    // Only lines that made one need the look: most lines make none. The
    // phrases count beyond a line end too, though not beyond a NUL, since a
    // line is a C string to the server's tools.
    std::string_view whole = line;
    if (const void* nul = std::memchr(line.data(), '\0', line.size()))
        whole = line.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - line.data()));
    if (isBookkeeping(whole.substr(LinePrefixLength)))
        events_.removeLast();
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
    // feed, and a bookkeeping phrase belongs to the line it stands in: find
    // the phrases once for the whole block.
    phraseStarts_.clear();
    findPhrases(block, 'f', 4, LogFile);
    const std::size_t logFilePhrases = phraseStarts_.size();
    findPhrases(block, 'v', 8, ServerCvar);
    std::inplace_merge(phraseStarts_.begin(), phraseStarts_.begin() + static_cast<std::ptrdiff_t>(logFilePhrases),
                       phraseStarts_.end());

    std::size_t nextPhrase = 0;
    lines([&](std::size_t start, std::size_t length) {
        std::string_view line = block.substr(start, length);
        if (!line.empty() && line.back() == '\n')
            line.remove_suffix(1);
        if (line.size() < LinePrefixLength)
            return;
        while (nextPhrase < phraseStarts_.size() && phraseStarts_[nextPhrase] < start + LinePrefixLength)
            ++nextPhrase;
        // A phrase counts when it lies wholly inside the rest of the line.
        for (std::size_t i = nextPhrase; i < phraseStarts_.size() && phraseStarts_[i] < start + line.size(); ++i) {
            const std::size_t phraseEnd =
                phraseStarts_[i] + (phraseAt(block, phraseStarts_[i], ServerCvar) ? ServerCvar.size()
                                    : phraseAt(block, phraseStarts_[i], LogFileStarted) ? LogFileStarted.size()
                                                                                         : LogFileClosed.size());
            if (phraseEnd <= start + line.size())
                return;
        }
        recognizeContent(line);
    });
}

void LogParser::reset()
{
    events_.clear();
    arena_.reset();
    tokens_.clear();
    stamps_.reset();
}

} // namespace zelkam
