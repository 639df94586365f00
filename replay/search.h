#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "parse/containers.h"
#include "parse/log_event.h"
#include "replay/viewer_state.h"

namespace zelkam {

// Tells whether a pattern occurs in a text as the user sees both: the text
// is the logged bytes, decoded as the views decode them (logTextToUtf8), the
// pattern is prepared (prepareSearchPattern). A null text reads as empty,
// and the empty pattern occurs in every text.
class TextComparer {
public:
    virtual ~TextComparer() = default;
    virtual bool contains(const char* text, std::string_view pattern) = 0;
};

// Character for character.
class ExactCaseComparer final : public TextComparer {
public:
    bool contains(const char* text, std::string_view pattern) override;

private:
    std::string decoded_;
};

// Letter case ignored in every script: the decoded text is case folded
// (appendCaseFolded) and the pattern must be folded already. The text is
// folded into a buffer kept for the whole search, so testing an event costs
// no allocation once the buffer has grown to the longest text.
class FoldedCaseComparer final : public TextComparer {
public:
    bool contains(const char* text, std::string_view pattern) override;

private:
    std::string folded_;
};

// Longest pattern a search uses, in characters; longer ones are cut.
inline constexpr std::size_t SearchPatternLength = 255;

// The pattern as a search compares it: at most its first 255 characters (up
// to a NUL), decoded as the views decode log bytes, and case folded when
// matchCase is false.
std::string prepareSearchPattern(std::string_view pattern, bool matchCase);

// Decides whether one event is what a search looks for. One class per
// SearchKind; each considers only its own event kinds. Matchers see the
// recent players as they stand when the event is reached, so a search must
// apply every event it passes.
class EventMatcher {
public:
    EventMatcher(std::string_view pattern, TextComparer& comparer, const BoundedRing<PlayerEntry>& recentPlayers)
        : pattern_(pattern), comparer_(comparer), recentPlayers_(recentPlayers)
    {
    }
    virtual ~EventMatcher() = default;

    virtual bool matches(const LogEvent& event) = 0;
    // Whether the hit event itself is applied before the search stops.
    virtual bool consumesHit() const { return true; }

protected:
    std::string_view pattern_;
    TextComparer& comparer_;
    const BoundedRing<PlayerEntry>& recentPlayers_;
};

// The player named by a connection, disconnection, entry, team join, name
// change (the name before the change), chat or team chat.
class PlayerMatcher final : public EventMatcher {
public:
    using EventMatcher::EventMatcher;
    bool matches(const LogEvent& event) override;
};

// The message of a chat or team chat.
class ChatMatcher final : public EventMatcher {
public:
    using EventMatcher::EventMatcher;
    bool matches(const LogEvent& event) override;
};

// A remote-console command sent from the address of a recent player whose
// name holds the pattern; any of the players sharing the address will do.
class RconUserMatcher final : public EventMatcher {
public:
    using EventMatcher::EventMatcher;
    bool matches(const LogEvent& event) override;
};

// The text of a remote-console command (a command without text reads as
// empty). Failed remote-console attempts are never found.
class RconCommandMatcher final : public EventMatcher {
public:
    using EventMatcher::EventMatcher;
    bool matches(const LogEvent& event) override;
};

// What one search needs, built on the stack for its duration: the prepared
// pattern, the comparer that matchCase chooses and the matcher of the kind.
// Nothing is allocated per event tested.
class EventSearch {
public:
    EventSearch(SearchKind kind, std::string_view pattern, bool matchCase,
                const BoundedRing<PlayerEntry>& recentPlayers);
    EventSearch(const EventSearch&) = delete;
    EventSearch& operator=(const EventSearch&) = delete;

    // Null for a kind outside the four: such a search finds nothing.
    EventMatcher* matcher() { return matcher_; }
    bool matches(const LogEvent& event) { return matcher_ && matcher_->matches(event); }

private:
    std::string pattern_;
    ExactCaseComparer exact_;
    FoldedCaseComparer folded_;
    std::variant<std::monostate, PlayerMatcher, ChatMatcher, RconUserMatcher, RconCommandMatcher> storage_;
    EventMatcher* matcher_ = nullptr;
};

} // namespace zelkam
