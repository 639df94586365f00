#include "replay/search.h"

#include <cstring>

#include "views/event_application.h"

namespace zelkam {
namespace {

char upperCased(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string_view textOf(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// Room for any token the parser keeps (at most 255 characters) without
// growing.
constexpr std::size_t FoldBufferCapacity = 256;

} // namespace

bool ExactCaseComparer::contains(const char* text, std::string_view pattern)
{
    return textOf(text).find(pattern) != std::string_view::npos;
}

bool FoldedCaseComparer::contains(const char* text, std::string_view pattern)
{
    // Made once, at the first test of the search, so a search with match
    // case on allocates nothing at all.
    if (folded_.capacity() < FoldBufferCapacity)
        folded_.reserve(FoldBufferCapacity);
    folded_.assign(textOf(text));
    for (char& c : folded_)
        c = upperCased(c);
    return std::string_view(folded_).find(pattern) != std::string_view::npos;
}

std::string_view prepareSearchPattern(std::string_view pattern, bool matchCase,
                                      char (&buffer)[SearchPatternLength + 1])
{
    std::size_t length = 0;
    while (length < pattern.size() && length < SearchPatternLength && pattern[length] != '\0') {
        buffer[length] = matchCase ? pattern[length] : upperCased(pattern[length]);
        ++length;
    }
    buffer[length] = '\0';
    return std::string_view(buffer, length);
}

bool PlayerMatcher::matches(const LogEvent& event)
{
    if (event.kind < PlayerConnected || event.kind > SayTeam)
        return false;
    return comparer_.contains(event.player.name, pattern_);
}

bool ChatMatcher::matches(const LogEvent& event)
{
    if (event.kind != Say && event.kind != SayTeam)
        return false;
    return comparer_.contains(event.text, pattern_);
}

bool RconUserMatcher::matches(const LogEvent& event)
{
    if (event.kind != RconCommand)
        return false;
    for (std::size_t i = 0; i < recentPlayers_.size(); ++i) {
        const PlayerEntry& recent = recentPlayers_[i];
        if (recent.addressKey == event.player.addressKey && comparer_.contains(recent.name, pattern_))
            return true;
    }
    return false;
}

bool RconCommandMatcher::matches(const LogEvent& event)
{
    if (event.kind != RconCommand)
        return false;
    return comparer_.contains(event.text, pattern_);
}

EventSearch::EventSearch(SearchKind kind, std::string_view pattern, bool matchCase,
                         const BoundedRing<PlayerEntry>& recentPlayers)
{
    const std::string_view prepared = prepareSearchPattern(pattern, matchCase, pattern_);
    TextComparer& comparer = matchCase ? static_cast<TextComparer&>(exact_) : folded_;
    switch (kind) {
    case SearchKind::Player:
        matcher_ = &storage_.emplace<PlayerMatcher>(prepared, comparer, recentPlayers);
        break;
    case SearchKind::Chat:
        matcher_ = &storage_.emplace<ChatMatcher>(prepared, comparer, recentPlayers);
        break;
    case SearchKind::RconUser:
        matcher_ = &storage_.emplace<RconUserMatcher>(prepared, comparer, recentPlayers);
        break;
    case SearchKind::RconCmd:
        matcher_ = &storage_.emplace<RconCommandMatcher>(prepared, comparer, recentPlayers);
        break;
    }
}

bool ViewerState::find(SearchKind kind, std::string_view pattern, bool matchCase)
{
    const std::int32_t returnTime = clock;
    if (!hasDay_) {
        seek(returnTime);
        return false;
    }
    // The event under the cursor is passed over untested: a search always
    // begins with the event after it, so Find Next moves on from a hit.
    // At or past the day's end there is nothing to scan.
    bool hit = false;
    const std::size_t end = dayPlayEnd();
    if (cursor < end) {
        applyAtCursor();
        EventSearch search(kind, pattern, matchCase, recentPlayers);
        const EventList& loaded = events();
        while (cursor < end) {
            if (search.matches(loaded[cursor])) {
                hit = true;
                break;
            }
            applyAtCursor();
        }
        if (hit && search.matcher()->consumesHit())
            applyAtCursor();
    }
    if (!hit) {
        // Rebuild what was shown before the search; playback goes on as it was.
        seek(returnTime);
        return false;
    }
    // A hit on the newest line of a growing day leaves the clock where play
    // waits for the next line.
    clock = cursor < events().size() ? events()[cursor].time : events()[lastEvent].time + 1;
    expireChatLines(clock);
    publishView();
    speed = 0;
    return true;
}

} // namespace zelkam
