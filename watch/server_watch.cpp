#include "watch/server_watch.h"

#include <algorithm>
#include <sstream>

#include "parse/account_id.h"
#include "text/text_out.h"

namespace zelkam::watch {
namespace {

bool namesServer(const Rule& rule, const std::string& server)
{
    return rule.servers.empty() || std::find(rule.servers.begin(), rule.servers.end(), server) != rule.servers.end();
}

std::string minutesText(double minutes)
{
    std::ostringstream text;
    text << minutes;
    return text.str();
}

} // namespace

std::string addressText(std::int32_t addressKey, AddressForm form, std::uint64_t salt)
{
    if (addressKey == NoAddressKey)
        return "no address";
    const auto key = static_cast<std::uint32_t>(addressKey);
    // The key holds the address's first three parts (its network, as the
    // remote-console rules tie senders to players); the last is not kept.
    if (form == AddressForm::Shown) {
        return std::to_string((key >> 16) & 255) + "." + std::to_string((key >> 8) & 255) + "."
               + std::to_string(key & 255) + ".x";
    }
    // FNV-1a over the salt and the key: not a cipher, but without the salt
    // (kept in the state folder) no list of every address gives it back.
    std::uint64_t hash = 14695981039346656037ull;
    const auto mix = [&hash](std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            hash ^= (value >> (8 * i)) & 255;
            hash *= 1099511628211ull;
        }
    };
    mix(salt, 8);
    mix(key, 4);
    static const char Hex[] = "0123456789abcdef";
    std::string text = "address-";
    for (int shift = 28; shift >= 0; shift -= 4)
        text += Hex[(hash >> (shift + 32)) & 15];
    return text;
}

ServerWatch::ServerWatch(std::string name, std::string folder, const Rules& rules, ServerMemory memory,
                         std::optional<std::int32_t> fromDay, std::uint64_t salt, std::int32_t takeFrom)
    : name_(std::move(name)), rules_(rules), transcript_(std::move(folder), fromDay, memory.mark, takeFrom), salt_(salt),
      players_(memory.players), lastLineAt_(memory.lastLineAt), fromTheEnd_(!memory.mark)
{
    const BoundedRing<PlayerEntry>& recent = transcript_.live().recentPlayers;
    for (std::size_t i = 0; i < rules.rules.size(); ++i) {
        const Rule& rule = rules.rules[i];
        if (!namesServer(rule, name_))
            continue;
        RuleWatch watch;
        watch.rule = i;
        const SearchKind kind = rule.kind == RuleKind::Chat   ? SearchKind::Chat
                                : rule.kind == RuleKind::Rcon ? SearchKind::RconCmd
                                                              : SearchKind::Player;
        if (rule.kind == RuleKind::Chat || rule.kind == RuleKind::Rcon || rule.kind == RuleKind::Join) {
            for (const std::string& word : rule.words)
                watch.searches.push_back(std::make_unique<EventSearch>(kind, word, false, recent));
        }
        watch.silent = std::find(memory.silentRules.begin(), memory.silentRules.end(), rule.name)
                       != memory.silentRules.end();
        watches_.push_back(std::move(watch));
    }
}

LiveTranscript::Look ServerWatch::look(std::int64_t now, std::vector<Hit>& hits,
                                       const LiveTranscript::KeepGoing& keepGoing)
{
    bool anyLine = false;
    // Without an earlier run's mark, what the folder holds at the first look
    // is the past: it builds the state but tells nothing.
    std::vector<Hit> past;
    std::vector<Hit>& into = fromTheEnd_ ? past : hits;
    const LiveTranscript::Look result = transcript_.look(
        [&](const LogEvent& event, bool addedChatLine) {
            anyLine = true;
            see(event, addedChatLine, into);
        },
        keepGoing);
    if (result == LiveTranscript::Look::Taken)
        fromTheEnd_ = false;
    // Silence is the watcher's own clock since the last line came (or since
    // watching began): a server's clock may be off, and a dead server
    // writes no stamp to compare with.
    if (anyLine || !lastLineAt_)
        lastLineAt_ = now;
    for (RuleWatch& watch : watches_) {
        const Rule& rule = rules_.rules[watch.rule];
        if (rule.kind != RuleKind::Silent)
            continue;
        if (watch.silent && anyLine) {
            watch.silent = false;
            hits.push_back({watch.rule, {now, "the server writes its log again", {}, {}, {}}});
        } else if (!watch.silent && now - *lastLineAt_ >= static_cast<std::int64_t>(rule.minutes * 60)) {
            watch.silent = true;
            hits.push_back({watch.rule, {now, "no line for " + minutesText(rule.minutes) + " minutes", {}, {}, {}}});
        }
    }
    return result;
}

bool ServerWatch::anySearchMatches(RuleWatch& watch, const LogEvent& event)
{
    for (const auto& search : watch.searches) {
        if (search->matches(event))
            return true;
    }
    return false;
}

NoticeItem ServerWatch::itemOf(const LogEvent& event, bool addedChatLine) const
{
    NoticeItem item;
    item.time = event.time;
    if (event.player.name) {
        item.player = terminalText(event.player.name);
        item.uniqueId = terminalText(event.player.uniqueId ? event.player.uniqueId : "");
    }
    if (addedChatLine) {
        const ChatRing& lines = transcript_.live().chatLines;
        item.line = terminalText(lines[lines.size() - 1].text);
    } else if (event.text) {
        item.line = terminalText(event.text);
    }
    return item;
}

void ServerWatch::see(const LogEvent& event, bool addedChatLine, std::vector<Hit>& hits)
{
    const int players = static_cast<int>(transcript_.live().roster.count);
    const int before = players_;
    players_ = players;
    for (RuleWatch& watch : watches_) {
        const Rule& rule = rules_.rules[watch.rule];
        switch (rule.kind) {
        case RuleKind::Chat: {
            const bool scope = (event.kind == Say && rule.chat != ChatScope::Team)
                               || (event.kind == SayTeam && rule.chat != ChatScope::All);
            if (scope && anySearchMatches(watch, event))
                hits.push_back({watch.rule, itemOf(event, addedChatLine)});
            break;
        }
        case RuleKind::Rcon:
            if (event.kind == RconCommand && (watch.searches.empty() || anySearchMatches(watch, event))) {
                NoticeItem item = itemOf(event, false);
                item.address = addressText(event.player.addressKey, rules_.addresses, salt_);
                item.line = "rcon " + item.line + " (from " + item.address + ")";
                item.player.clear();
                item.uniqueId.clear();
                item.address = addressText(event.player.addressKey, rules_.addresses, salt_);
                hits.push_back({watch.rule, std::move(item)});
            }
            break;
        case RuleKind::FailedRcon: {
            if (event.kind != BadRconCommand)
                break;
            // One address's attempts: its whole address, whatever port each
            // attempt came from (a guesser's tool takes a new one each time);
            // a sender whose host cannot be read is counted by its network.
            const std::uint32_t whole = rconSourceOf(event);
            const std::uint64_t source = whole != 0 ? whole
                                                    : (std::uint64_t{1} << 32) | static_cast<std::uint32_t>(event.player.addressKey);
            std::deque<std::int32_t>& times = watch.attempts[source];
            times.push_back(event.time);
            const auto window = static_cast<std::int32_t>(rule.minutes * 60);
            while (!times.empty() && times.front() <= event.time - window)
                times.pop_front();
            if (static_cast<int>(times.size()) >= rule.count) {
                NoticeItem item;
                item.time = event.time;
                item.address = addressText(event.player.addressKey, rules_.addresses, salt_);
                item.line = std::to_string(times.size()) + " failed rcon attempts within " + minutesText(rule.minutes)
                            + " minutes from " + item.address;
                hits.push_back({watch.rule, std::move(item)});
                times.clear();
            }
            break;
        }
        case RuleKind::Join: {
            if (event.kind != PlayerEntered)
                break;
            const std::string_view id = event.player.uniqueId ? event.player.uniqueId : "";
            const auto isId = [id](const std::string& listed) { return isSameAccount(listed, id); };
            if (std::any_of(rule.ids.begin(), rule.ids.end(), isId) || anySearchMatches(watch, event)) {
                NoticeItem item = itemOf(event, false);
                item.line = item.player + " (" + item.uniqueId + ") entered the game";
                hits.push_back({watch.rule, std::move(item)});
            }
            break;
        }
        case RuleKind::Map:
            if (event.kind == MapStarted)
                hits.push_back({watch.rule, {event.time, "map " + terminalText(event.text ? event.text : ""), {}, {}, {}}});
            break;
        case RuleKind::Players:
            if (before < rule.atLeast && players >= rule.atLeast)
                hits.push_back({watch.rule, {event.time, "players: " + std::to_string(players) + ", at least " + std::to_string(rule.atLeast), {}, {}, {}}});
            else if (before >= rule.atLeast && players < rule.atLeast)
                hits.push_back({watch.rule, {event.time, "players: " + std::to_string(players) + ", fewer than " + std::to_string(rule.atLeast), {}, {}, {}}});
            break;
        case RuleKind::Silent:
            break;
        }
    }
}

ServerMemory ServerWatch::memory() const
{
    ServerMemory memory;
    memory.mark = transcript_.mark();
    memory.players = players_;
    memory.lastLineAt = lastLineAt_;
    for (const RuleWatch& watch : watches_) {
        if (watch.silent)
            memory.silentRules.push_back(rules_.rules[watch.rule].name);
    }
    return memory;
}

} // namespace zelkam::watch
