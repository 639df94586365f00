#include "history/player_sessions.h"

#include <algorithm>
#include <list>

#include "history/chain_table.h"
#include "ingest/log_file_list.h"

namespace zelkam {
namespace {

// The ways an open session is found.
enum Index : std::size_t { ByUserId, ByName, ByNameAt, ByAddress, IndexCount };

bool isPendingId(std::string_view id) { return id == "STEAM_ID_PENDING" || id == "VALVE_ID_PENDING"; }

std::string_view nameOf(const PlayerEntry& player) { return player.name ? player.name : ""; }

void addName(PlayerSession& session, std::string_view name)
{
    if (std::find(session.names.begin(), session.names.end(), name) == session.names.end())
        session.names.emplace_back(name);
}

void addTeam(PlayerSession& session, std::int32_t team)
{
    if (session.teams.empty() || session.teams.back() != team)
        session.teams.push_back(team);
}

} // namespace

bool isSharedUniqueId(std::string_view uniqueId)
{
    // Numeric ids of old servers are per player, except 0 (no id given).
    return uniqueId.empty() || uniqueId == "0" || uniqueId == "STEAM_ID_LAN" || isPendingId(uniqueId) ||
           uniqueId == "VALVE_ID_LAN" || uniqueId == "BOT" || uniqueId == "HLTV" || uniqueId == "UNKNOWN" ||
           uniqueId == "STEAM_ID_UNKNOWN";
}

// A session still open, threaded on one chain for each way it is found.
// Every chain keeps the order in which the sessions were opened, so "the
// first" and "the most recent" mean what they would in one list of all.
struct SessionTracker::Open {
    PlayerSession session;
    std::string currentName;
    std::int32_t team = -1;

    std::uint64_t order = 0;
    std::list<Open>::iterator self;
    Open* prev[IndexCount] = {};
    Open* next[IndexCount] = {};
};

// The open sessions, in order of opening, found by user id, by name, by name
// and address, and (for line recording) by address in time that does not
// grow with the crowd.
class SessionTracker::OpenSessions {
public:
    explicit OpenSessions(bool byAddress) : byAddress_(byAddress) {}

    bool empty() const { return all_.empty(); }
    void clear()
    {
        all_.clear();
        userIds_.clear();
        names_.clear();
        namesAt_.clear();
        addresses_.clear();
    }
    std::list<Open>& all() { return all_; }

    // Adds open after every session held. The result stays where it is until
    // taken.
    Open& add(Open&& open)
    {
        Open& added = all_.emplace_back(std::move(open));
        added.self = std::prev(all_.end());
        added.order = nextOrder_++;
        for (std::size_t index = 0; index < IndexCount; ++index)
            link(added, static_cast<Index>(index));
        return added;
    }

    // Removes open and hands it back.
    Open take(Open& open)
    {
        for (std::size_t index = 0; index < IndexCount; ++index)
            unlink(open, static_cast<Index>(index));
        Open taken = std::move(open);
        all_.erase(taken.self);
        return taken;
    }

    void rename(Open& open, std::string_view name)
    {
        unlink(open, ByName);
        unlink(open, ByNameAt);
        open.currentName = name;
        link(open, ByName);
        link(open, ByNameAt);
    }

    // The first session (in order of opening) that has the user id and is
    // called name now.
    Open* firstOf(std::int32_t userId, std::string_view name)
    {
        // Either chain holds the answer; the shorter one is read.
        const Chain* ids = find(userIds_, numberKey(userId));
        const Chain* named = find(names_, nameKey(name));
        if (!ids || !named)
            return nullptr;
        const Index index = ids->length <= named->length ? ByUserId : ByName;
        for (Open* open = index == ByUserId ? ids->first : named->first; open; open = open->next[index]) {
            if (open->session.userId == userId && open->currentName == name)
                return open;
        }
        return nullptr;
    }
    Open* firstNamed(std::string_view name)
    {
        const Chain* chain = find(names_, nameKey(name));
        Open* open = chain ? chain->first : nullptr;
        while (open && open->currentName != name)
            open = open->next[ByName];
        return open;
    }
    Open* lastNamed(std::string_view name)
    {
        const Chain* chain = find(names_, nameKey(name));
        Open* open = chain ? chain->last : nullptr;
        while (open && open->currentName != name)
            open = open->prev[ByName];
        return open;
    }
    Open* firstWithUserId(std::int32_t userId)
    {
        const Chain* chain = find(userIds_, numberKey(userId));
        return chain ? chain->first : nullptr;
    }

    // The sessions with the user id, and those called name from the
    // address, the most recently opened first.
    std::vector<Open*> withUserIdOrNameAt(std::int32_t userId, std::string_view name, std::int32_t addressKey)
    {
        std::vector<Open*> found;
        if (const Chain* chain = find(userIds_, numberKey(userId))) {
            for (Open* open = chain->first; open; open = open->next[ByUserId])
                found.push_back(open);
        }
        if (const Chain* chain = find(namesAt_, nameAtKey(name, addressKey))) {
            for (Open* open = chain->first; open; open = open->next[ByNameAt]) {
                if (open->session.userId != userId && open->currentName == name
                    && open->session.addressKey == addressKey)
                    found.push_back(open);
            }
        }
        std::sort(found.begin(), found.end(), [](const Open* a, const Open* b) { return a->order > b->order; });
        return found;
    }

    // Calls visit with each session from the address (line recording only).
    template <typename Visit>
    void forEachAt(std::int32_t addressKey, Visit visit)
    {
        if (const Chain* chain = find(addresses_, numberKey(addressKey))) {
            for (Open* open = chain->first; open; open = open->next[ByAddress])
                visit(*open);
        }
    }

private:
    struct Chain {
        Open* first = nullptr;
        Open* last = nullptr;
        std::size_t length = 0;
    };
    // Names are chained by a hash of theirs, not the name itself: a key
    // that lives in the map's node costs no allocation and no second memory
    // fetch per look-up, which is most of the time on a crowded day. Two
    // names with one hash share a chain, so every look-up compares the name.
    using Chains = ChainTable<Chain>;

    static std::uint64_t nameKey(std::string_view name) { return std::hash<std::string_view>()(name); }
    static std::uint64_t nameAtKey(std::string_view name, std::int32_t addressKey)
    {
        const std::uint64_t key = nameKey(name);
        return key ^ (static_cast<std::uint32_t>(addressKey) + 0x9e3779b97f4a7c15ull + (key << 6) + (key >> 2));
    }
    static std::uint64_t numberKey(std::int32_t number) { return static_cast<std::uint32_t>(number); }
    static Chain* find(Chains& chains, std::uint64_t key) { return chains.find(key); }

    // Threads open on its chain of index in order of opening. Mostly the
    // newest session, so the walk back from the chain's end stops at once; a
    // name change onto a name in use may land earlier.
    static void linkInto(Chains& chains, std::uint64_t key, Open& open, Index index)
    {
        Chain& chain = chains.obtain(key);
        Open* before = chain.last;
        while (before && before->order > open.order)
            before = before->prev[index];
        Open* after = before ? before->next[index] : chain.first;
        open.prev[index] = before;
        open.next[index] = after;
        (before ? before->next[index] : chain.first) = &open;
        (after ? after->prev[index] : chain.last) = &open;
        ++chain.length;
    }
    static void unlinkFrom(Chains& chains, std::uint64_t key, Open& open, Index index)
    {
        Chain& chain = *chains.find(key);
        (open.prev[index] ? open.prev[index]->next[index] : chain.first) = open.next[index];
        (open.next[index] ? open.next[index]->prev[index] : chain.last) = open.prev[index];
        open.prev[index] = open.next[index] = nullptr;
        // A chain that empties goes, so a day of a million passing names
        // does not keep a million empty chains.
        if (chain.length == 1)
            chains.erase(key);
        else
            --chain.length;
    }

    void link(Open& open, Index index)
    {
        switch (index) {
        case ByUserId: linkInto(userIds_, numberKey(open.session.userId), open, index); break;
        case ByName: linkInto(names_, nameKey(open.currentName), open, index); break;
        case ByNameAt: linkInto(namesAt_, nameAtKey(open.currentName, open.session.addressKey), open, index); break;
        case ByAddress:
            if (byAddress_)
                linkInto(addresses_, numberKey(open.session.addressKey), open, index);
            break;
        default: break;
        }
    }
    void unlink(Open& open, Index index)
    {
        switch (index) {
        case ByUserId: unlinkFrom(userIds_, numberKey(open.session.userId), open, index); break;
        case ByName: unlinkFrom(names_, nameKey(open.currentName), open, index); break;
        case ByNameAt: unlinkFrom(namesAt_, nameAtKey(open.currentName, open.session.addressKey), open, index); break;
        case ByAddress:
            if (byAddress_)
                unlinkFrom(addresses_, numberKey(open.session.addressKey), open, index);
            break;
        default: break;
        }
    }

    bool byAddress_;
    std::list<Open> all_;
    std::uint64_t nextOrder_ = 0;
    Chains userIds_;
    Chains names_;
    Chains namesAt_;
    Chains addresses_;
};

SessionTracker::SessionTracker(std::function<void(PlayerSession&&)> onSession, bool recordLines)
    : onSession_(std::move(onSession)), recordLines_(recordLines),
      open_(std::make_unique<OpenSessions>(recordLines)), carried_(std::make_unique<OpenSessions>(recordLines))
{
}

SessionTracker::~SessionTracker() = default;

SessionTracker::Open& SessionTracker::openSession(const LogEvent& event, std::int32_t start)
{
    Open open;
    open.currentName = nameOf(event.player);
    open.session.day = day_;
    open.session.start = start;
    open.session.end = event.time;
    open.session.names.push_back(open.currentName);
    open.session.uniqueId = event.player.uniqueId ? event.player.uniqueId : "";
    open.session.userId = event.player.userId;
    if (event.kind == PlayerConnected) {
        open.session.addressKey = event.player.addressKey;
    } else if (event.player.team == Team::Terrorist || event.player.team == Team::CounterTerrorist) {
        // Met in the middle of a game: the tag tells the team played.
        open.team = event.player.team;
        addTeam(open.session, open.team);
    }
    return open_->add(std::move(open));
}

void SessionTracker::close(Open& open, std::int32_t end)
{
    PlayerSession session = open_->take(open).session;
    session.end = std::max(end, session.start);
    finished_.push_back(std::move(session));
}

void SessionTracker::endDay()
{
    // Everyone still here leaves at the day's last event, the most recently
    // come first, after those who left during the day; ties of start keep
    // that order. The order is sorted, not the sessions (a crowded day's
    // sessions are large to move), and the open ones are let go of all at
    // once.
    std::vector<PlayerSession*> ended;
    ended.reserve(finished_.size() + open_->all().size());
    for (PlayerSession& session : finished_)
        ended.push_back(&session);
    for (auto open = open_->all().rbegin(); open != open_->all().rend(); ++open) {
        open->session.end = std::max(lastTime_, open->session.start);
        ended.push_back(&open->session);
    }
    std::vector<std::pair<std::int32_t, std::size_t>> order(ended.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = {ended[i]->start, i};
    std::sort(order.begin(), order.end());
    for (const auto& [start, i] : order)
        onSession_(std::move(*ended[i]));
    open_->clear();
    finished_.clear();
}

void SessionTracker::add(const LogEvent& event, std::size_t position)
{
    if (event.time == -1)
        return;
    if (!inDay_ || event.time >= nextDay_) {
        if (inDay_) {
            // Everyone still here at midnight carries on in the new day.
            auto stillHere = std::make_unique<OpenSessions>(recordLines_);
            for (const Open& open : open_->all()) {
                Open next;
                next.currentName = open.currentName;
                next.team = open.team;
                next.session.names.push_back(open.currentName);
                next.session.uniqueId = open.session.uniqueId;
                next.session.userId = open.session.userId;
                next.session.addressKey = open.session.addressKey;
                if (open.team >= 0)
                    next.session.teams.push_back(open.team);
                stillHere->add(std::move(next));
            }
            endDay();
            carried_ = std::move(stillHere);
        }
        const std::int32_t midnight = dayStartOf(event.time);
        day_ = midnight == -1 ? event.time : midnight;
        nextDay_ = midnight == -1 ? std::int64_t{event.time} + 86400 : addLocalDays(midnight, 1);
        dayFirstTime_ = event.time;
        lastTime_ = event.time;
        inDay_ = true;
    }
    lastTime_ = std::max(lastTime_, event.time);

    const auto record = [&](Open& open) {
        open.session.end = std::max(open.session.end, event.time);
        if (recordLines_)
            open.session.lines.push_back(position);
    };
    // A player met again after midnight continues from the day's start.
    const auto fromCarried = [&](Open* carried) -> Open* {
        if (!carried)
            return nullptr;
        Open& open = open_->add(carried_->take(*carried));
        open.session.day = day_;
        open.session.start = dayFirstTime_;
        open.session.end = dayFirstTime_;
        return &open;
    };
    const auto resolve = [&](const LogEvent& e) -> Open& {
        const std::string_view name = nameOf(e.player);
        if (Open* open = open_->firstOf(e.player.userId, name))
            return *open;
        if (Open* open = fromCarried(carried_->firstOf(e.player.userId, name)))
            return *open;
        // The same user id under another name, without a name change, is
        // another player: the server has restarted and numbers afresh.
        if (e.player.userId != -1) {
            if (Open* other = open_->firstWithUserId(e.player.userId))
                close(*other, other->session.end);
        }
        return openSession(e, e.time);
    };
    const auto noteId = [](Open& open, const PlayerEntry& player) {
        const std::string_view id = player.uniqueId ? player.uniqueId : "";
        if (!id.empty() && !isPendingId(id) && open.session.uniqueId != id &&
            (open.session.uniqueId.empty() || isPendingId(open.session.uniqueId)))
            open.session.uniqueId = id;
    };

    switch (event.kind) {
    case PlayerConnected: {
        const std::string_view name = nameOf(event.player);
        // A connection under a session's user id, or by the same name from
        // the same address (a client that dropped and came back), ends that
        // session at its last event.
        for (Open* open : open_->withUserIdOrNameAt(event.player.userId, name, event.player.addressKey))
            close(*open, open->session.end);
        while (Open* carried = carried_->firstOf(event.player.userId, name))
            carried_->take(*carried);
        record(openSession(event, event.time));
        return;
    }
    case PlayerDisconnected: {
        Open* open = nullptr;
        if (event.player.userId == -1) {
            // A shutdown disconnects everyone by name only.
            open = open_->lastNamed(nameOf(event.player));
            if (!open)
                open = fromCarried(carried_->firstNamed(nameOf(event.player)));
            if (!open)
                return;
        } else {
            open = &resolve(event);
        }
        noteId(*open, event.player);
        record(*open);
        close(*open, event.time);
        return;
    }
    case PlayerEntered:
    case TeamJoined:
    case NameChanged:
    case Say:
    case SayTeam:
    case Suicide: {
        Open& open = resolve(event);
        noteId(open, event.player);
        record(open);
        if (event.kind == TeamJoined) {
            open.team = event.text && std::string_view(event.text) == "TERRORIST" ? Team::Terrorist
                                                                                  : Team::CounterTerrorist;
            addTeam(open.session, open.team);
        } else if (event.kind == NameChanged) {
            open_->rename(open, event.text ? event.text : "");
            addName(open.session, open.currentName);
        } else if (event.kind == Say || event.kind == SayTeam) {
            ++open.session.chat;
        } else if (event.kind == Suicide) {
            --open.session.frags;
            ++open.session.deaths;
        }
        return;
    }
    case Killed: {
        Open& victim = resolve(event);
        noteId(victim, event.player);
        record(victim);
        ++victim.session.deaths;
        const std::int32_t victimTeam = victim.team;
        const std::string_view killerName = event.text ? event.text : "";
        Open* killer = open_->lastNamed(killerName);
        if (!killer)
            killer = fromCarried(carried_->firstNamed(killerName));
        if (!killer)
            return;
        if (killer->team == victimTeam)
            --killer->session.frags;
        else
            ++killer->session.frags;
        record(*killer);
        return;
    }
    case RconCommand:
    case BadRconCommand:
        if (!recordLines_ || event.player.addressKey == 0)
            return;
        open_->forEachAt(event.player.addressKey, record);
        return;
    default:
        return;
    }
}

void SessionTracker::finish()
{
    if (inDay_)
        endDay();
    carried_ = std::make_unique<OpenSessions>(recordLines_);
    inDay_ = false;
}

} // namespace zelkam
