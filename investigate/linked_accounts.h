#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "history/community_walk.h"
#include "history/day_windows.h"
#include "investigate/player_query.h"

namespace zelkam {

// One thing an account shares with the player: an address (its key) or a
// name, in how many of the account's sessions, from when to when.
struct LinkEvidence {
    enum class By { Address, Name };
    By by = By::Address;
    std::int32_t addressKey = 0;
    // The name, logged bytes.
    std::string name;
    std::int32_t sessions = 0;
    std::int32_t first = 0;
    std::int32_t last = 0;
};

// Another account that used one of the player's addresses or names.
struct LinkedAccount {
    // The unique id as logged; an account of a shared id (isSharedUniqueId)
    // is that id with one name, as the player record tells such players
    // apart.
    std::string uniqueId;
    // Every name the account used, in the order first used.
    std::vector<std::string> names;
    std::int32_t sessions = 0;
    std::int32_t firstSeen = 0;
    std::int32_t lastSeen = 0;
    // Addresses first, then names; each in order of first use.
    std::vector<LinkEvidence> evidence;
    // Sessions of the account that were on the server at the same time as
    // one of the player's: two accounts on at once are less likely one
    // person.
    std::int32_t overlappingSessions = 0;
};

struct LinkedAccounts {
    // The player's own accounts (the query may match several by name) with
    // his addresses and names.
    std::vector<std::string> ownIds;
    std::vector<std::int32_t> ownAddresses;
    std::vector<std::string> ownNames;
    std::int32_t ownSessions = 0;
    // Strongest first: an address and a name shared before either alone,
    // an address before a name, never on at the same time before having
    // been, then more sessions of evidence before fewer.
    std::vector<LinkedAccount> accounts;
};

// Walks every session of the folder (the one session tracker, through
// walkPlayerSessions) and links the query's accounts to every other account
// that shares an address or a name with them. Bots are never linked, and an
// id many share is never evidence: accounts are linked only by what their
// sessions used. False when stopped.
bool collectLinkedAccounts(FolderDays& folder, const PlayerQuery& query, const std::atomic<bool>* stop,
                           LinkedAccounts& result);

// The same over every server of a community (walkServersPlayerSessions):
// an account is its id wherever it played, an address key the same network
// on any server, and sessions overlap when both were on at once, on one
// server or two.
bool collectLinkedAccounts(std::vector<ServerDays>& servers, const PlayerQuery& query, const std::atomic<bool>* stop,
                           LinkedAccounts& result);

} // namespace zelkam
