#include "investigate/linked_accounts.h"

#include <algorithm>
#include <functional>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "history/player_record.h"
#include "history/player_sessions.h"
#include "parse/account_id.h"
#include "parse/text_hash.h"

namespace zelkam {
namespace {

// A session as the links need it: its account and name by index.
struct SessionFacts {
    std::uint32_t account = 0;
    std::int32_t addressKey = 0;
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::uint32_t firstName = 0;
    std::uint32_t nameCount = 0;
};

class Interner {
public:
    std::uint32_t indexOf(const std::string& text)
    {
        const auto [at, added] = indices_.try_emplace(text, static_cast<std::uint32_t>(texts_.size()));
        if (added)
            texts_.push_back(text);
        return at->second;
    }
    const std::string& text(std::uint32_t index) const { return texts_[index]; }

private:
    std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>> indices_;
    std::vector<std::string> texts_;
};

// An account is its id in its one spelling; an account of a shared id is
// the id with the name the session began under: such ids link nothing by
// themselves.
std::string accountKeyOf(const PlayerSession& session)
{
    if (!isSharedUniqueId(session.uniqueId))
        return accountIdOf(session.uniqueId);
    return session.uniqueId + '\x01' + (session.names.empty() ? std::string() : session.names.front());
}

void note(LinkEvidence& evidence, const SessionFacts& session)
{
    if (evidence.sessions == 0 || session.start < evidence.first)
        evidence.first = session.start;
    evidence.last = std::max(evidence.last, session.end);
    ++evidence.sessions;
}

int strengthOf(const LinkedAccount& account)
{
    bool byAddress = false;
    bool byName = false;
    for (const LinkEvidence& evidence : account.evidence)
        (evidence.by == LinkEvidence::By::Address ? byAddress : byName) = true;
    return (byAddress && byName) ? 3 : byAddress ? 2 : 1;
}

std::int32_t evidenceSessions(const LinkedAccount& account)
{
    std::int32_t total = 0;
    for (const LinkEvidence& evidence : account.evidence)
        total += evidence.sessions;
    return total;
}

// Links the query's accounts to the others, from every session walk hands
// to its callback.
bool linkAccounts(const PlayerQuery& query, LinkedAccounts& result,
                  const std::function<bool(const std::function<void(PlayerSession&&)>&)>& walk)
{
    result = LinkedAccounts();
    SessionTest test(query);
    Interner accounts;
    Interner names;
    std::vector<std::string> accountIds;
    std::vector<bool> isBot;
    std::vector<bool> isOwn;
    std::vector<std::uint32_t> sessionNames;
    std::vector<SessionFacts> sessions;
    const bool complete = walk([&](PlayerSession&& session) {
            SessionFacts facts;
            facts.account = accounts.indexOf(accountKeyOf(session));
            if (facts.account == accountIds.size()) {
                accountIds.push_back(session.uniqueId);
                isBot.push_back(isBotId(session.uniqueId));
                isOwn.push_back(false);
            }
            if (test.matches(session))
                isOwn[facts.account] = true;
            facts.addressKey = session.addressKey;
            facts.start = session.start;
            facts.end = session.end;
            facts.firstName = static_cast<std::uint32_t>(sessionNames.size());
            facts.nameCount = static_cast<std::uint32_t>(session.names.size());
            for (const std::string& name : session.names)
                sessionNames.push_back(names.indexOf(name));
            sessions.push_back(facts);
        });

    // The player's addresses and names, and his sessions by start.
    std::map<std::int32_t, std::size_t> ownAddress;
    std::map<std::uint32_t, std::size_t> ownName;
    std::vector<const SessionFacts*> own;
    for (const SessionFacts& session : sessions) {
        if (!isOwn[session.account])
            continue;
        own.push_back(&session);
        if (session.addressKey != 0 && ownAddress.try_emplace(session.addressKey, ownAddress.size()).second)
            result.ownAddresses.push_back(session.addressKey);
        for (std::uint32_t n = 0; n < session.nameCount; ++n) {
            const std::uint32_t name = sessionNames[session.firstName + n];
            if (ownName.try_emplace(name, ownName.size()).second)
                result.ownNames.push_back(names.text(name));
        }
    }
    result.ownSessions = static_cast<std::int32_t>(own.size());
    for (std::uint32_t a = 0; a < isOwn.size(); ++a) {
        if (isOwn[a])
            result.ownIds.push_back(accountIds[a]);
    }

    // Each linked account, with where its evidence and names are, by the
    // evidence's key and the name's index: an account of thousands of names
    // (a stranger renaming himself) would otherwise read through them all
    // for each one.
    struct Linked {
        LinkedAccount account;
        std::unordered_map<std::uint64_t, std::uint32_t> evidence;
        std::unordered_set<std::uint32_t> names;
    };
    std::map<std::uint32_t, Linked> linked;
    for (const SessionFacts& session : sessions) {
        if (isOwn[session.account] || isBot[session.account])
            continue;
        const bool sharesAddress = session.addressKey != 0 && ownAddress.count(session.addressKey) != 0;
        bool sharesName = false;
        for (std::uint32_t n = 0; n < session.nameCount && !sharesName; ++n)
            sharesName = ownName.count(sessionNames[session.firstName + n]) != 0;
        if (!sharesAddress && !sharesName)
            continue;
        Linked& link = linked[session.account];
        LinkedAccount& account = link.account;
        // An address by its key, a name by its index (the names are one
        // copy each): distinct keys of the two kinds.
        const auto evidenceFor = [&](LinkEvidence::By by, std::int32_t addressKey,
                                     std::uint32_t name) -> LinkEvidence& {
            const std::uint64_t key = by == LinkEvidence::By::Address
                                          ? std::uint64_t{1} << 32 | static_cast<std::uint32_t>(addressKey)
                                          : name;
            const auto place = static_cast<std::uint32_t>(account.evidence.size());
            const auto [at, made] = link.evidence.try_emplace(key, place);
            if (!made)
                return account.evidence[at->second];
            LinkEvidence& evidence = account.evidence.emplace_back();
            evidence.by = by;
            evidence.addressKey = by == LinkEvidence::By::Address ? addressKey : 0;
            if (by == LinkEvidence::By::Name)
                evidence.name = names.text(name);
            return evidence;
        };
        if (sharesAddress)
            note(evidenceFor(LinkEvidence::By::Address, session.addressKey, 0), session);
        for (std::uint32_t n = 0; n < session.nameCount; ++n) {
            const std::uint32_t name = sessionNames[session.firstName + n];
            if (ownName.count(name) != 0)
                note(evidenceFor(LinkEvidence::By::Name, 0, name), session);
        }
    }
    // Every session of a linked account, the ones before its first evidence
    // too: its totals, names and overlaps.
    for (const SessionFacts& session : sessions) {
        auto at = linked.find(session.account);
        if (at == linked.end())
            continue;
        Linked& link = at->second;
        LinkedAccount& account = link.account;
        if (account.sessions == 0 || session.start < account.firstSeen)
            account.firstSeen = session.start;
        account.lastSeen = std::max(account.lastSeen, session.end);
        ++account.sessions;
        for (std::uint32_t n = 0; n < session.nameCount; ++n) {
            const std::uint32_t name = sessionNames[session.firstName + n];
            if (link.names.insert(name).second)
                account.names.push_back(names.text(name));
        }
        for (const SessionFacts* mine : own) {
            if (mine->start < session.end && session.start < mine->end) {
                ++account.overlappingSessions;
                break;
            }
        }
    }
    for (auto& [index, link] : linked) {
        LinkedAccount& account = link.account;
        account.uniqueId = accountIds[index];
        std::stable_sort(account.evidence.begin(), account.evidence.end(),
                         [](const LinkEvidence& a, const LinkEvidence& b) { return a.by < b.by; });
        result.accounts.push_back(std::move(account));
    }
    std::stable_sort(result.accounts.begin(), result.accounts.end(), [](const LinkedAccount& a, const LinkedAccount& b) {
        if (strengthOf(a) != strengthOf(b))
            return strengthOf(a) > strengthOf(b);
        if ((a.overlappingSessions == 0) != (b.overlappingSessions == 0))
            return a.overlappingSessions == 0;
        return evidenceSessions(a) > evidenceSessions(b);
    });
    return complete;
}

} // namespace

bool collectLinkedAccounts(FolderDays& folder, const PlayerQuery& query, const std::atomic<bool>* stop,
                           LinkedAccounts& result)
{
    return linkAccounts(query, result, [&](const std::function<void(PlayerSession&&)>& onSession) {
        return walkPlayerSessions(folder, stop, [](const PlayerSession&) { return true; }, onSession, {});
    });
}

bool collectLinkedAccounts(std::vector<ServerDays>& servers, const PlayerQuery& query, const std::atomic<bool>* stop,
                           LinkedAccounts& result)
{
    return linkAccounts(query, result, [&](const std::function<void(PlayerSession&&)>& onSession) {
        return walkServersPlayerSessions(servers, stop, [](const PlayerSession&) { return true; }, onSession, {});
    });
}

} // namespace zelkam
