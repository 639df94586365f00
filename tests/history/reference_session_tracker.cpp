#include "tests/history/reference_session_tracker.h"

#include <algorithm>

#include "ingest/log_file_list.h"
#include "parse/account_id.h"
#include "parse/log_event.h"
#include "parse/sides.h"

namespace zelkam::test {
namespace {

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

ReferenceSessionTracker::Open* ReferenceSessionTracker::findOpen(std::int32_t userId, std::string_view name)
{
    for (Open& open : open_) {
        if (open.session.userId == userId && open.currentName == name)
            return &open;
    }
    return nullptr;
}

ReferenceSessionTracker::Open* ReferenceSessionTracker::findOpenByName(std::string_view name)
{
    // The most recent session of that name: a shutdown's disconnection and
    // a killer are named, not numbered.
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        if (it->currentName == name)
            return &*it;
    }
    return nullptr;
}

ReferenceSessionTracker::Open& ReferenceSessionTracker::openSession(const LogEvent& event, std::int32_t start)
{
    Open& open = open_.emplace_back();
    open.serial = ++serials_;
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
    return open;
}

void ReferenceSessionTracker::close(std::size_t openIndex, std::int32_t end, SessionEndCause cause)
{
    PlayerSession& session = open_[openIndex].session;
    session.end = std::max(end, session.start);
    session.ended = cause;
    finished_.push_back(std::move(session));
    open_.erase(open_.begin() + static_cast<std::ptrdiff_t>(openIndex));
}

void ReferenceSessionTracker::endDay()
{
    // One the same client replaced, never heard from since, ended at its
    // last event.
    while (!open_.empty()) {
        const Open& open = open_.back();
        if (open.replaced)
            close(open_.size() - 1, open.session.end, SessionEndCause::Reconnected);
        else
            close(open_.size() - 1, lastTime_, SessionEndCause::DayEnd);
    }
    std::stable_sort(finished_.begin(), finished_.end(),
                     [](const PlayerSession& a, const PlayerSession& b) { return a.start < b.start; });
    for (PlayerSession& session : finished_)
        onSession_(std::move(session));
    finished_.clear();
}

void ReferenceSessionTracker::add(const LogEvent& event, std::size_t position)
{
    if (event.time == -1)
        return;
    if (!inDay_ || event.time >= nextDay_) {
        const std::int32_t midnight = dayStartOf(event.time);
        if (inDay_) {
            // Everyone still here at midnight carries on in the new day, if
            // it is the day right after.
            std::vector<Open> stillHere;
            for (const Open& open : open_) {
                if (open.replaced || midnight != nextDay_)
                    continue;
                Open& next = stillHere.emplace_back();
                next.currentName = open.currentName;
                next.team = open.team;
                next.session.names.push_back(open.currentName);
                next.session.uniqueId = open.session.uniqueId;
                next.session.userId = open.session.userId;
                next.session.addressKey = open.session.addressKey;
                if (open.team == Team::Terrorist || open.team == Team::CounterTerrorist)
                    next.session.teams.push_back(open.team);
            }
            endDay();
            carried_ = std::move(stillHere);
        }
        day_ = midnight == -1 ? event.time : midnight;
        nextDay_ = midnight == -1 ? std::int64_t{event.time} + 86400 : addLocalDays(midnight, 1);
        dayFirstTime_ = event.time;
        lastTime_ = event.time;
        inDay_ = true;
        lastConnection_.clear();
    }
    lastTime_ = std::max(lastTime_, event.time);

    const auto recordLine = [&](Open& open) {
        open.session.end = std::max(open.session.end, event.time);
        if (recordLines_)
            open.session.lines.push_back(position);
    };
    // A line of the player's own: he is still on.
    const auto record = [&](Open& open) {
        open.replaced = false;
        recordLine(open);
    };
    // A player met again after midnight continues from the day's start.
    const auto fromCarried = [&](auto matches) -> Open* {
        for (std::size_t i = 0; i < carried_.size(); ++i) {
            if (!matches(carried_[i]))
                continue;
            Open& open = open_.emplace_back(std::move(carried_[i]));
            carried_.erase(carried_.begin() + static_cast<std::ptrdiff_t>(i));
            open.session.day = day_;
            open.session.start = dayFirstTime_;
            open.session.end = dayFirstTime_;
            return &open;
        }
        return nullptr;
    };
    const auto resolve = [&](const LogEvent& e) -> Open& {
        const std::string_view name = nameOf(e.player);
        if (Open* open = findOpen(e.player.userId, name))
            return *open;
        if (Open* open = fromCarried([&](const Open& o) { return o.session.userId == e.player.userId && o.currentName == name; }))
            return *open;
        // The same user id under another name, without a name change, is
        // another player: the server has restarted and numbers afresh.
        for (std::size_t i = 0; i < open_.size(); ++i) {
            if (open_[i].session.userId == e.player.userId && e.player.userId != -1) {
                close(i, open_[i].session.end, SessionEndCause::Renumbered);
                break;
            }
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
        // session at its last event. One by the same account from the
        // address of its last connection that day replaces it: it ends at
        // its last event unless heard from again. A shared id, or no
        // address, tells no client apart.
        const std::string_view id = event.player.uniqueId ? event.player.uniqueId : "";
        const std::int32_t address = event.player.addressKey;
        const bool oneClient = address != NoAddressKey && !isSharedUniqueId(id);
        const auto last = oneClient ? lastConnection_.find(accountIdOf(id)) : lastConnection_.end();
        const std::uint64_t lastSerial = last != lastConnection_.end() ? last->second : 0;
        for (std::size_t i = open_.size(); i-- > 0;) {
            const PlayerSession& session = open_[i].session;
            if (session.userId == event.player.userId ||
                (open_[i].currentName == name && session.addressKey == address))
                close(i, session.end, SessionEndCause::Reconnected);
        }
        for (Open& open : open_) {
            if (lastSerial != 0 && open.serial == lastSerial && open.session.addressKey == address)
                open.replaced = true;
        }
        std::erase_if(carried_, [&](const Open& o) { return o.session.userId == event.player.userId && o.currentName == name; });
        Open& opened = openSession(event, event.time);
        if (oneClient)
            lastConnection_[accountIdOf(id)] = opened.serial;
        record(opened);
        return;
    }
    case PlayerDisconnected: {
        Open* open = nullptr;
        if (event.player.userId == -1) {
            // A shutdown disconnects everyone by name only.
            open = findOpenByName(nameOf(event.player));
            if (!open)
                open = fromCarried([&](const Open& o) { return o.currentName == nameOf(event.player); });
            if (!open)
                return;
        } else {
            open = &resolve(event);
        }
        noteId(*open, event.player);
        record(*open);
        close(static_cast<std::size_t>(open - open_.data()), event.time, SessionEndCause::Disconnected);
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
            open.team = sideOfJoin(event.text);
            if (open.team != Team::None)
                addTeam(open.session, open.team);
        } else if (event.kind == NameChanged) {
            open.currentName = event.text ? event.text : "";
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
        Open* killer = findOpenByName(killerName);
        if (!killer)
            killer = fromCarried([&](const Open& o) { return o.currentName == killerName; });
        if (!killer)
            return;
        killer->session.frags += fragsOfKill(killer->team, victimTeam);
        record(*killer);
        return;
    }
    case RconCommand:
    case BadRconCommand:
        if (event.player.addressKey == 0)
            return;
        for (Open& open : open_) {
            if (open.session.addressKey == event.player.addressKey)
                recordLine(open);
        }
        return;
    default:
        return;
    }
}

std::string described(const PlayerSession& s, bool withLines)
{
    std::string text = std::to_string(s.day) + ' ' + std::to_string(s.start) + '-' + std::to_string(s.end) + ' ' +
                       s.uniqueId + " u" + std::to_string(s.userId) + " a" + std::to_string(s.addressKey) + " [";
    for (const std::string& name : s.names)
        text += name + ';';
    text += "] t";
    for (int team : s.teams)
        text += std::to_string(team);
    text += " f" + std::to_string(s.frags) + " d" + std::to_string(s.deaths) + " c" + std::to_string(s.chat) + " e" +
            std::to_string(static_cast<int>(s.ended));
    if (!withLines)
        return text;
    text += " l";
    for (std::size_t line : s.lines)
        text += ' ' + std::to_string(line);
    return text;
}

void ReferenceSessionTracker::finish()
{
    if (inDay_)
        endDay();
    carried_.clear();
    inDay_ = false;
}

} // namespace zelkam::test
