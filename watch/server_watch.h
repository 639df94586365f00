#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "replay/live_transcript.h"
#include "replay/search.h"
#include "watch/notice.h"
#include "watch/rules.h"

namespace zelkam::watch {

// What a rule found: the rule (its index in Rules::rules) and the item.
struct Hit {
    std::size_t rule = 0;
    NoticeItem item;
};

// What a server's watch keeps across runs: where its transcript got to,
// which silent rules are waiting for it to speak again, when (by the
// watcher's clock) its last line came, so that silence that began before a
// restart is told on time after it, and how many players it had (so a
// crossing right after a restart is told).
struct ServerMemory {
    std::optional<TranscriptMark> mark;
    std::vector<std::string> silentRules;
    std::optional<std::int64_t> lastLineAt;
    int players = -1;
};

// Turns an address key into how notices name the address: dotted, or a
// pseudonym that stays the same for the same address within one state
// folder (salted, so it cannot be reversed by trying every address).
std::string addressText(std::int32_t addressKey, AddressForm form, std::uint64_t salt);

// One server followed with the rules that name it (or every server): the
// one follower (LiveTranscript) takes each new event once, and each rule
// looks at it as Find would.
class ServerWatch {
public:
    // rules must outlive the watch. fromDay: see LiveTranscript; ignored
    // when memory holds a mark. takeFrom: no event before this time is
    // told (see LiveTranscript).
    ServerWatch(std::string name, std::string folder, const Rules& rules, ServerMemory memory,
                std::optional<std::int32_t> fromDay, std::uint64_t salt,
                std::int32_t takeFrom = std::numeric_limits<std::int32_t>::min());

    // One look at the folder: what the rules find in its new events, and
    // silence told by now (the watcher's clock, calendar seconds). Without
    // a mark in memory (a first run) the watch starts at the end of what the
    // folder holds at its first look: the past is read, not told.
    LiveTranscript::Look look(std::int64_t now, std::vector<Hit>& hits,
                              const LiveTranscript::KeepGoing& keepGoing = {});

    ServerMemory memory() const;
    const std::string& name() const { return name_; }
    const LiveTranscript& transcript() const { return transcript_; }

private:
    struct RuleWatch {
        std::size_t rule = 0;
        // One search a word, as Find would run it.
        std::vector<std::unique_ptr<EventSearch>> searches;
        // Failed attempts of each address within the rule's minutes, keyed
        // by the whole address (or, above 32 bits, a network's key).
        std::map<std::uint64_t, std::deque<std::int32_t>> attempts;
        bool silent = false;
    };

    void see(const LogEvent& event, bool addedChatLine, std::vector<Hit>& hits);
    bool anySearchMatches(RuleWatch& watch, const LogEvent& event);
    NoticeItem itemOf(const LogEvent& event, bool addedChatLine) const;

    std::string name_;
    const Rules& rules_;
    LiveTranscript transcript_;
    std::vector<RuleWatch> watches_;
    std::uint64_t salt_;
    int players_ = -1;
    std::optional<std::int64_t> lastLineAt_;
    bool fromTheEnd_;
};

} // namespace zelkam::watch
