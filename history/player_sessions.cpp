#include "history/player_sessions.h"

#include <algorithm>
#include <cstring>

#include "history/open_sessions.h"
#include "ingest/log_file_list.h"
#include "parse/account_id.h"
#include "parse/sides.h"
#include "parse/text_hash.h"

namespace zelkam {
namespace {

std::string_view nameOf(const PlayerEntry& player) { return player.name ? player.name : ""; }

void addTeam(OpenSessions& set, SessionRecord& record, std::int32_t team)
{
    if (record.teams.tail == NoSession || set.teams().back(record.teams) != team)
        set.teams().append(record.teams, team);
}

// Kinds that are a player's own doing, looked up among the open sessions.
bool isPlayersOwn(std::int32_t kind)
{
    return (kind >= PlayerConnected && kind <= SayTeam) || kind == Killed || kind == Suicide;
}

// A session's start key for the day's hand-out order: (start, rank) as one
// number, rank breaking ties.
std::uint64_t orderKey(std::int32_t start, std::uint32_t rank)
{
    return std::uint64_t{static_cast<std::uint32_t>(start) ^ 0x80000000u} << 32 | rank;
}

} // namespace

SessionTracker::SessionTracker(std::function<void(PlayerSession&&)> onSession, bool recordLines)
    : onSession_(std::move(onSession)), recordLines_(recordLines),
      open_(std::make_unique<OpenSessions>()), carried_(std::make_unique<OpenSessions>())
{
}

SessionTracker::SessionTracker(std::function<void(PlayerSession&&)> onSession, Names names)
    : SessionTracker(std::move(onSession), false)
{
    copyNames_ = names == Names::Copied;
}

SessionTracker::~SessionTracker() = default;

void SessionTracker::handedOutNames(LargeVector<std::string_view>& names) const
{
    names.clear();
    open_->names().visit((*open_)[handingOut_].names, [&](std::string_view name) {
        names.push_back(name);
        return true;
    });
}

std::uint32_t SessionTracker::openSession(const LogEvent& event, const HashedName& name)
{
    OpenSessions& set = *open_;
    SessionRecord record;
    record.currentName = set.keep(name.text);
    record.nameHash = name.hash;
    record.start = event.time;
    record.end = event.time;
    set.names().append(record.names, record.currentName);
    record.uniqueId = set.keep(event.player.uniqueId ? event.player.uniqueId : "");
    record.userId = event.player.userId;
    if (event.kind == PlayerConnected) {
        record.addressKey = event.player.addressKey;
    } else if (event.player.team == Team::Terrorist || event.player.team == Team::CounterTerrorist) {
        // Met in the middle of a game: the tag tells the team played.
        record.team = static_cast<std::int8_t>(event.player.team);
        addTeam(set, record, record.team);
    }
    return set.add(record);
}

// A player met again after midnight continues from the day's start.
std::uint32_t SessionTracker::fromCarried(std::uint32_t carried)
{
    if (carried == NoSession)
        return NoSession;
    carried_->remove(carried);
    const SessionRecord& from = (*carried_)[carried];
    OpenSessions& set = *open_;
    SessionRecord record;
    record.start = dayFirstTime_;
    record.end = dayFirstTime_;
    record.userId = from.userId;
    record.addressKey = from.addressKey;
    record.frags = from.frags;
    record.deaths = from.deaths;
    record.chat = from.chat;
    record.team = from.team;
    record.currentName = set.keep(from.currentName);
    record.nameHash = from.nameHash;
    record.uniqueId = set.keep(from.uniqueId);
    carried_->names().visit(from.names, [&](std::string_view name) {
        set.names().append(record.names, name == from.currentName ? record.currentName : set.keep(name));
        return true;
    });
    carried_->teams().visit(from.teams, [&](std::int32_t team) {
        set.teams().append(record.teams, team);
        return true;
    });
    return set.add(record);
}

std::uint32_t SessionTracker::resolve(const LogEvent& event, const HashedName& name)
{
    if (const std::uint32_t open = open_->firstOf(event.player.userId, name); open != NoSession)
        return open;
    if (const std::uint32_t open = fromCarried(carried_->firstOf(event.player.userId, name)); open != NoSession)
        return open;
    // The same user id under another name, without a name change, is
    // another player: the server has restarted and numbers afresh.
    if (event.player.userId != -1) {
        if (const std::uint32_t other = open_->firstWithUserId(event.player.userId); other != NoSession)
            close(other, (*open_)[other].end, SessionEndCause::Renumbered);
    }
    return openSession(event, name);
}

void SessionTracker::close(std::uint32_t open, std::int32_t end, SessionEndCause cause)
{
    open_->remove(open);
    SessionRecord& record = (*open_)[open];
    record.end = std::max(end, record.start);
    record.ended = cause;
    finished_.push_back(open);
}

void SessionTracker::handOut(std::uint32_t index)
{
    const OpenSessions& set = *open_;
    const SessionRecord& record = set[index];
    // The same session object is filled each time, so the texts of a
    // session nobody keeps land in memory the one before used.
    PlayerSession& session = handedOut_;
    session.day = day_;
    session.start = record.start;
    session.end = record.end;
    if (copyNames_) {
        // Counted first: a session of thousands of names (a stranger
        // renaming himself) would otherwise move them all at every doubling.
        std::size_t names = 0;
        open_->names().visit(record.names, [&](std::string_view) {
            ++names;
            return true;
        });
        session.names.reserve(names);
        std::size_t named = 0;
        open_->names().visit(record.names, [&](std::string_view name) {
            if (named < session.names.size())
                session.names[named].assign(name);
            else
                session.names.emplace_back(name);
            ++named;
            return true;
        });
        session.names.resize(named);
    } else {
        session.names.clear();
    }
    handingOut_ = index;
    session.uniqueId.assign(record.uniqueId);
    session.teams.clear();
    open_->teams().visit(record.teams, [&](std::int32_t team) {
        session.teams.push_back(team);
        return true;
    });
    session.frags = record.frags;
    session.deaths = record.deaths;
    session.chat = record.chat;
    session.userId = record.userId;
    session.addressKey = record.addressKey;
    session.ended = record.ended;
    session.lines.clear();
    if (recordLines_) {
        open_->lines().visit(open_->linesOf(index), [&](std::size_t line) {
            session.lines.push_back(line);
            return true;
        });
    }
    onSession_(std::move(session));
}

void SessionTracker::endDay()
{
    // Everyone still here leaves at the day's last event, the most recently
    // come first, after those who left during the day; ties of start keep
    // that order, its place being a session's rank.
    OpenSessions& set = *open_;
    const auto closed = static_cast<std::uint32_t>(finished_.size());
    // Sized once for the day: a crowd's orders are large arrays of their own
    // (see GrowArray), not vectors doubling through small pages.
    GrowArray<std::uint32_t> stillHere(set.count());
    for (std::uint32_t i = 0; i < set.count(); ++i) {
        if (set[i].open) {
            // Replaced by the same client and never heard from since: it
            // ended at its last event.
            if (set[i].ended != SessionEndCause::Reconnected)
                set[i].end = std::max(lastTime_, set[i].start);
            stillHere.append(i);
        }
    }
    const auto stayed = static_cast<std::uint32_t>(stillHere.size());
    const auto rankOfStayed = [&](std::uint32_t j) { return closed + (stayed - 1 - j); };

    GrowArray<std::uint64_t> leftOrder(closed);
    for (std::uint32_t r = 0; r < closed; ++r)
        leftOrder.append(orderKey(set[finished_[r]].start, r));
    if (!std::is_sorted(leftOrder.begin(), leftOrder.end()))
        std::sort(leftOrder.begin(), leftOrder.end());
    // The sessions still open are mostly in order of start already, as
    // opened: each run of one start read backwards gives their order
    // without sorting a crowd.
    GrowArray<std::uint64_t> stayedOrder(stayed);
    for (std::uint32_t j = 0; j < stayed;) {
        const std::int32_t start = set[stillHere[j]].start;
        std::uint32_t k = j + 1;
        while (k < stayed && set[stillHere[k]].start == start)
            ++k;
        for (std::uint32_t m = k; m-- > j;)
            stayedOrder.append(orderKey(start, rankOfStayed(m)));
        j = k;
    }
    if (!std::is_sorted(stayedOrder.begin(), stayedOrder.end()))
        std::sort(stayedOrder.begin(), stayedOrder.end());

    const auto sessionOf = [&](std::uint64_t key) {
        const auto rank = static_cast<std::uint32_t>(key);
        return rank < closed ? finished_[rank] : stillHere[stayed - 1 - (rank - closed)];
    };
    std::size_t left = 0;
    std::size_t kept = 0;
    while (left < leftOrder.size() || kept < stayedOrder.size()) {
        if (kept == stayedOrder.size() || (left < leftOrder.size() && leftOrder[left] < stayedOrder[kept]))
            handOut(sessionOf(leftOrder[left++]));
        else
            handOut(sessionOf(stayedOrder[kept++]));
    }
    open_->clear();
    finished_.clear();
}

void SessionTracker::add(const LogEvent& event, std::size_t position)
{
    addHashed(event, position, prefetchHashed(event));
}

void SessionTracker::addHashed(const LogEvent& event, std::size_t position, const EventHashes& hashes)
{
    if (event.time == -1)
        return;
    if (!inDay_ || event.time >= nextDay_) {
        const std::int32_t midnight = dayStartOf(event.time);
        if (inDay_) {
            // Everyone still here at midnight carries on in the new day: the
            // day right after, as a day's window reads it. Past a day the
            // log has no line of, nobody is known to have stayed on.
            auto stillHere = std::make_unique<OpenSessions>();
            const OpenSessions& set = *open_;
            const bool dayAfter = std::int64_t{midnight} == nextDay_;
            for (std::uint32_t i = 0; dayAfter && i < set.count(); ++i) {
                const SessionRecord& open = set[i];
                // One the same client replaced (see endDay) is over.
                if (!open.open || open.ended == SessionEndCause::Reconnected)
                    continue;
                SessionRecord next;
                next.currentName = stillHere->keep(open.currentName);
                next.nameHash = open.nameHash;
                next.team = open.team;
                stillHere->names().append(next.names, next.currentName);
                next.uniqueId = stillHere->keep(open.uniqueId);
                next.userId = open.userId;
                next.addressKey = open.addressKey;
                if (open.team == Team::Terrorist || open.team == Team::CounterTerrorist)
                    stillHere->teams().append(next.teams, open.team);
                stillHere->add(next);
            }
            endDay();
            carried_ = std::move(stillHere);
        }
        day_ = midnight == -1 ? event.time : midnight;
        nextDay_ = midnight == -1 ? std::int64_t{event.time} + 86400 : addLocalDays(midnight, 1);
        dayFirstTime_ = event.time;
        lastTime_ = event.time;
        inDay_ = true;
        open_->reserve(expected_);
    }
    lastTime_ = std::max(lastTime_, event.time);

    OpenSessions& set = *open_;
    // A line of the session: its player's own, or a command from its
    // address.
    const auto recordLine = [&](std::uint32_t open) {
        SessionRecord& session = set[open];
        session.end = std::max(session.end, event.time);
        if (recordLines_ && (!onlyOne_ || isSameAccount(session.uniqueId, onlyId_) || session.uniqueId.empty() ||
                             isPendingId(session.uniqueId)))
            set.lines().append(set.linesOf(open), position);
    };
    // A line of the player's own: he is still on, whoever connected
    // meanwhile.
    const auto record = [&](std::uint32_t open) {
        set[open].ended = SessionEndCause::DayEnd;
        recordLine(open);
    };
    const auto noteId = [&](std::uint32_t open, const PlayerEntry& player) {
        const std::string_view id = player.uniqueId ? player.uniqueId : "";
        SessionRecord& session = set[open];
        if (!id.empty() && !isPendingId(id) && session.uniqueId != id &&
            (session.uniqueId.empty() || isPendingId(session.uniqueId)))
            session.uniqueId = set.keep(id);
    };

    // A command from a session's address is one of its lines whether or
    // not lines are recorded: the session ends no earlier in `player` and
    // the rankings than in the record and the timeline.
    if (event.kind == RconCommand || event.kind == BadRconCommand) {
        if (event.player.addressKey != 0)
            set.forEachAt(event.player.addressKey, recordLine);
        return;
    }
    if (!isPlayersOwn(event.kind))
        return;
    const HashedName name(nameOf(event.player), hashes.name);
    switch (event.kind) {
    case PlayerConnected: {
        // A connection under a session's user id, or by the same name from
        // the same address (a client that dropped and came back), ends that
        // session at its last event.
        for (const std::uint32_t open : set.withUserIdOrNameAt(event.player.userId, name, event.player.addressKey))
            close(open, set[open].end, SessionEndCause::Reconnected);
        // So may the same account from the address of its last connection
        // under another name, as a server does not always log the drop;
        // but two players behind one address may share one id, so the
        // session ends only if it is never heard from again (see endDay).
        const std::string_view id = event.player.uniqueId ? event.player.uniqueId : "";
        if (const std::uint32_t last = set.swapLastConnection(id, event.player.addressKey); last != NoSession)
            set[last].ended = SessionEndCause::Reconnected;
        for (std::uint32_t carried; (carried = carried_->firstOf(event.player.userId, name)) != NoSession;)
            carried_->remove(carried);
        // The record swapLastConnection noted: the next one added.
        record(openSession(event, name));
        return;
    }
    case PlayerDisconnected: {
        std::uint32_t open = NoSession;
        if (disconnectsByNameOnly(event)) {
            // A shutdown disconnects everyone by name only.
            open = set.lastNamed(name);
            if (open == NoSession)
                open = fromCarried(carried_->firstNamed(name));
            if (open == NoSession)
                return;
        } else {
            open = resolve(event, name);
        }
        noteId(open, event.player);
        record(open);
        close(open, event.time, SessionEndCause::Disconnected);
        return;
    }
    case PlayerEntered:
    case TeamJoined:
    case NameChanged:
    case Say:
    case SayTeam:
    case Suicide: {
        const std::uint32_t open = resolve(event, name);
        noteId(open, event.player);
        record(open);
        SessionRecord& session = set[open];
        if (event.kind == TeamJoined) {
            session.team = static_cast<std::int8_t>(sideOfJoin(event.text));
            // A spectator plays on no side: the session's teams list only
            // the sides played.
            if (session.team != Team::None)
                addTeam(set, session, session.team);
        } else if (event.kind == NameChanged) {
            // A name used before in the session is the text kept for it.
            // One hash of the new name serves every table below.
            const HashedName newName(event.text ? event.text : "", hashes.text);
            std::string_view kept;
            const bool fresh = !set.usedName(open, newName, kept);
            if (fresh)
                kept = set.keep(newName.text);
            const HashedName keptName(kept, newName.hash);
            set.rename(open, keptName);
            if (fresh)
                set.addName(open, keptName, eventsLeft_);
        } else if (event.kind == Say || event.kind == SayTeam) {
            ++session.chat;
        } else if (event.kind == Suicide) {
            --session.frags;
            ++session.deaths;
        }
        return;
    }
    case Killed: {
        const std::uint32_t victim = resolve(event, name);
        noteId(victim, event.player);
        record(victim);
        ++set[victim].deaths;
        const std::int32_t victimTeam = set[victim].team;
        const HashedName killerName(event.text ? event.text : "", hashes.text);
        std::uint32_t killer = set.lastNamed(killerName);
        if (killer == NoSession)
            killer = fromCarried(carried_->firstNamed(killerName));
        if (killer == NoSession)
            return;
        SessionRecord& scorer = set[killer];
        scorer.frags += fragsOfKill(scorer.team, victimTeam);
        record(killer);
        return;
    }
    default:
        return;
    }
}

void SessionTracker::expectConnections(std::size_t connections)
{
    // A new day's sessions start from an empty set, so the room is made
    // again whenever the coming events start one.
    expected_ = connections;
    if (inDay_)
        open_->reserve(connections);
}

std::size_t SessionTracker::connectionsOf(const LogEvent* events, std::size_t count)
{
    std::size_t connections = 0;
    for (std::size_t e = 0; e < count; ++e)
        connections += events[e].kind == PlayerConnected ? 1 : 0;
    return connections;
}

namespace {

// What prefetchHashed hashes and fetches ahead for an event, each text
// hashed by hashOf.
template <typename HashOf>
void prefetchEvent(const LogEvent& event, const OpenSessions& open, HashOf hashOf, std::uint64_t& nameHash,
                   std::uint64_t& textHash)
{
    if (!isPlayersOwn(event.kind))
        return;
    const HashedName name(nameOf(event.player), hashOf(event.player.name));
    nameHash = name.hash;
    open.prefetchName(name);
    if (event.kind == NameChanged || event.kind == Killed) {
        const HashedName text(event.text ? event.text : "", hashOf(event.text));
        textHash = text.hash;
        if (event.kind == NameChanged)
            open.prefetchUsedName(text);
        else
            open.prefetchName(text);
    }
}

std::uint64_t hashOfText(const char* text)
{
    return hashText(text ? text : "");
}

} // namespace

std::uint64_t SessionTracker::RecentHashes::of(const char* text)
{
    if (!text)
        return hashOfText(text);
    // The top bits of the address times a large odd number pick the slot.
    const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(text));
    Slot& slot = slots_[(address * 0x9e3779b97f4a7c15u) >> 58];
    if (slot.text == text)
        return slot.hash;
    // Texts of the same bytes come one after another in copies of their
    // own: a rename's new name back as the player's name on his next line,
    // a killer's name in the text of each of his kills. The same bytes as
    // the text hashed last cost a comparison, not a hash.
    const std::uint64_t hash =
        lastHashed_.text && lastHashed_.text[0] == text[0] && std::strcmp(lastHashed_.text, text) == 0
            ? lastHashed_.hash
            : hashOfText(text);
    slot = {text, hash};
    lastHashed_ = slot;
    return hash;
}

SessionTracker::EventHashes SessionTracker::prefetchHashed(const LogEvent& event) const
{
    EventHashes hashes;
    prefetchEvent(event, *open_, hashOfText, hashes.name, hashes.text);
    return hashes;
}

SessionTracker::EventHashes SessionTracker::prefetchHashed(const LogEvent& event, RecentHashes& recent) const
{
    EventHashes hashes;
    prefetchEvent(
        event, *open_, [&recent](const char* text) { return recent.of(text); }, hashes.name, hashes.text);
    return hashes;
}

void SessionTracker::finish()
{
    if (inDay_)
        endDay();
    carried_ = std::make_unique<OpenSessions>();
    inDay_ = false;
}

} // namespace zelkam
