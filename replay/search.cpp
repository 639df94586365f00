#include "replay/search.h"

#include <cstring>

#include "replay/text_folding.h"
#include "text/text_encoding.h"

namespace zelkam {
namespace {

std::string_view textOf(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// Room for any token the parser keeps (at most 255 bytes) without growing,
// when the token is ASCII.
constexpr std::size_t FoldBufferCapacity = 256;

// The length in bytes of the first count characters of valid UTF-8.
std::size_t prefixOfCharacters(std::string_view utf8, std::size_t count)
{
    std::size_t i = 0;
    for (std::size_t characters = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && characters++ == count)
            break;
    }
    return i;
}

} // namespace

bool ExactCaseComparer::contains(const char* text, std::string_view pattern)
{
    const std::string_view bytes = textOf(text);
    // Decoding keeps ASCII as it is and turns every other byte into a
    // non-ASCII character, so an ASCII pattern is found in the decoded text
    // exactly where it is found in the logged bytes, and an ASCII text holds
    // no non-ASCII pattern either way.
    if (isAscii(pattern) || isAscii(bytes))
        return bytes.find(pattern) != std::string_view::npos;
    decoded_.clear();
    appendLogTextAsUtf8(decoded_, bytes);
    return std::string_view(decoded_).find(pattern) != std::string_view::npos;
}

bool FoldedCaseComparer::contains(const char* text, std::string_view pattern)
{
    // Made once, at the first test of the search, so a search with match
    // case on allocates nothing at all.
    if (folded_.capacity() < FoldBufferCapacity)
        folded_.reserve(FoldBufferCapacity);
    const std::string_view bytes = textOf(text);
    // ASCII text, the common case, folds byte by byte, as fast as before
    // folding knew other scripts; a byte from 0x80 on sends the text the
    // long way.
    folded_.assign(bytes);
    unsigned char seen = 0;
    for (char& c : folded_) {
        seen |= static_cast<unsigned char>(c);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    const bool ascii = seen < 0x80;
    if (!ascii) {
        // Decoded first, then folded behind the decoded text in the same
        // buffer, so one buffer serves the whole search.
        folded_.clear();
        appendLogTextAsUtf8(folded_, bytes);
        const std::size_t decodedLength = folded_.size();
        // Folding makes at most three bytes of one (a two-byte letter can
        // fold to three two-byte characters); the room is made first because
        // the source is in the same buffer.
        folded_.reserve(decodedLength * 4);
        appendCaseFolded(folded_, std::string_view(folded_).substr(0, decodedLength));
        return std::string_view(folded_).substr(decodedLength).find(pattern) != std::string_view::npos;
    }
    return std::string_view(folded_).find(pattern) != std::string_view::npos;
}

std::string prepareSearchPattern(std::string_view pattern, bool matchCase)
{
    pattern = pattern.substr(0, pattern.find('\0'));
    std::string decoded = logTextToUtf8(pattern);
    decoded.resize(prefixOfCharacters(decoded, SearchPatternLength));
    if (matchCase)
        return decoded;
    std::string folded;
    appendCaseFolded(folded, decoded);
    return folded;
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
    if (event.kind != RconCommand || event.player.addressKey == NoAddressKey)
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
    pattern_ = prepareSearchPattern(pattern, matchCase);
    const std::string_view prepared = pattern_;
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
    PlayPosition& p = playback_.at;
    if (isEmptyDay()) {
        seek(p.clock);
        return false;
    }
    // The event under the cursor has not been applied (nor shown) yet, so it
    // is the first one tested: after a hit, the next search starts right
    // after it. At or past the day's end there is nothing to scan.
    const std::size_t end = dayPlayEnd();
    if (p.cursor >= end)
        return false;
    // Kept to be put back on a miss, which leaves everything as it was.
    const std::size_t startCursor = p.cursor;
    copyLiveState(beforeSearch_, playback_.live);
    bool hit = false;
    {
        EventSearch search(kind, pattern, matchCase, playback_.live.recentPlayers);
        const EventList& loaded = events();
        while (p.cursor < end) {
            if (search.matches(loaded[p.cursor])) {
                hit = true;
                break;
            }
            applyAtCursor();
        }
        if (hit && search.matcher()->consumesHit())
            applyAtCursor();
    }
    if (!hit) {
        copyLiveState(playback_.live, beforeSearch_);
        p.cursor = startCursor;
        return false;
    }
    standAfterApplied();
    return true;
}

} // namespace zelkam
