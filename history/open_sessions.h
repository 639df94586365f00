#pragma once

// The storage behind SessionTracker: sessions as fixed records in one array,
// their texts copied into large blocks, their lists threaded through shared
// pools, found through chains in hash tables. A crowded day's million
// sessions then cost a few large allocations, not several small ones each.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "history/chain_table.h"
#include "history/name_index.h"
#include "history/player_sessions.h"
#include "ingest/thread_group.h"
#include "parse/containers.h"
#include "parse/large_vector.h"

namespace zelkam {

inline constexpr std::uint32_t NoSession = 0xffffffffu;

// Texts a session keeps (names, unique ids), copied out of the events: the
// events of a folder's walk live for one file day, a session may last longer.
// A kept text stays where it is until clear. Blocks grow with the day; the
// large ones take memory of their own (see LargeVector), so a crowd's
// texts, or a stranger's thousands of names, cost a few huge pages rather
// than thousands of small page faults.
class TextStore {
public:
    std::string_view keep(std::string_view text);
    void clear();

private:
    std::vector<LargeVector<char>> blocks_;
    std::size_t nextBlock_ = 4096;
};

// Lists of many sessions in one array: each list is a chain of nodes by
// index, appended at its end.
template <typename T>
class ListPool {
public:
    struct List {
        std::uint32_t head = NoSession;
        std::uint32_t tail = NoSession;
    };

    // The appended value's place in the pool (see at).
    std::uint32_t append(List& list, const T& value)
    {
        const auto index = static_cast<std::uint32_t>(nodes_.size());
        nodes_.append(Node{value, NoSession});
        (list.tail == NoSession ? list.head : nodes_[list.tail].next) = index;
        list.tail = index;
        return index;
    }
    const T& at(std::uint32_t index) const { return nodes_[index].value; }
    // Calls visitPlace with the place and value of each value of the list
    // in order.
    template <typename Visit>
    void visitPlaces(List list, Visit visitPlace) const
    {
        for (std::uint32_t i = list.head; i != NoSession; i = nodes_[i].next)
            visitPlace(i, nodes_[i].value);
    }
    // The last value of a list that has one.
    const T& back(List list) const { return nodes_[list.tail].value; }
    // Calls visit with each value of the list in order until it returns
    // false; true when every value was visited.
    template <typename Visit>
    bool visit(List list, Visit visitValue) const
    {
        for (std::uint32_t i = list.head; i != NoSession; i = nodes_[i].next) {
            if (!visitValue(nodes_[i].value))
                return false;
        }
        return true;
    }
    void clear() { nodes_.clear(); }
    template <typename Visit>
    void reserve(std::size_t n, Visit visit)
    {
        nodes_.reserve(nodes_.size() + n, visit);
    }

private:
    struct Node {
        T value;
        std::uint32_t next;
    };
    BlockArray<Node> nodes_;
};

// A name with its hash, taken once for every look-up of one event.
struct HashedName {
    explicit HashedName(std::string_view name) : text(name), hash(hashText(name)) {}
    HashedName(std::string_view name, std::uint64_t nameHash) : text(name), hash(nameHash) {}
    std::string_view text;
    std::uint64_t hash;
};

// The ways an open session is found.
enum SessionIndex : std::size_t { ByUserId, ByName, ByNameAt, ByAddress, SessionIndexCount };

// One session of the day, open or (once closed) waiting for the day's end.
// Its texts live in the TextStore of the set that holds it. What only some
// days need (the chains by name and address and by address, the recorded
// lines) is kept beside it by OpenSessions, so that a crowd's records stay
// small.
struct SessionRecord {
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::int32_t userId = 0;
    std::int32_t addressKey = 0;
    std::int32_t frags = 0;
    std::int32_t deaths = 0;
    std::int32_t chat = 0;
    // The team played now, -1 when not known.
    std::int8_t team = -1;
    bool open = false;
    // Whether the record is on its ByNameAt chain (see OpenSessions).
    bool onNameAt = false;
    // What closed it. While open: Reconnected once the same client
    // connected again, until it is heard from again (see SessionTracker),
    // else DayEnd.
    SessionEndCause ended = SessionEndCause::DayEnd;
    std::string_view currentName;
    // The HashedName hash of currentName.
    std::uint64_t nameHash = 0;
    std::string_view uniqueId;
    ListPool<std::string_view>::List names;
    ListPool<std::int32_t>::List teams;
    // The chains by user id and by name.
    std::uint32_t prev[2] = {NoSession, NoSession};
    std::uint32_t next[2] = {NoSession, NoSession};
};

// Sessions in order of adding, by index; the open ones are found by user id,
// by name, by name and address and by address in time that does not grow
// with the crowd. Records are chained by address only from the first
// look-up by address on (a remote-console command's): most days have none,
// and a crowd's million connections then take no chain they never use. A
// name's records are chained by name and address only while more than a
// few are open under it (a crowd of one name): a few are simply read off
// the name's chain, which spares a table a crowd of different names would
// fill for nothing. Every chain keeps the order of adding, so
// "the first" and "the most recent" mean what they would in one list of all.
// Indices are stable until clear; references to records last until the next
// add.
class OpenSessions {
public:
    OpenSessions() = default;
    ~OpenSessions();
    OpenSessions(const OpenSessions&) = delete;
    OpenSessions& operator=(const OpenSessions&) = delete;

    SessionRecord& operator[](std::uint32_t index) { return records_[index]; }
    const SessionRecord& operator[](std::uint32_t index) const { return records_[index]; }
    // Every record added since clear, open or closed.
    std::uint32_t count() const { return static_cast<std::uint32_t>(records_.size()); }
    void clear();

    // Copies text into the set's store.
    std::string_view keep(std::string_view text) { return texts_.keep(text); }
    ListPool<std::string_view>& names() { return names_; }
    ListPool<std::int32_t>& teams() { return teams_; }
    ListPool<std::size_t>& lines() { return lines_; }
    // The recorded lines of a record (empty without line recording).
    ListPool<std::size_t>::List& linesOf(std::uint32_t index) { return aside(index).lines; }

    // Starts fetching the chain of a name about to be looked up.
    void prefetchName(const HashedName& name) const { chains_[ByName].prefetch(nameKey(name.hash)); }
    // Starts fetching where usedName will look for a name a record is about
    // to take, in the tables of the records that used many names. Those are
    // few (a stranger renaming himself thousands of times), so each of
    // their tables is fetched; with more, none is.
    void prefetchUsedName(const HashedName& name) const
    {
        if (manyNames_.size() > 2)
            return;
        for (const auto& [index, table] : manyNames_)
            table.prefetch(foldHash32(name.hash));
    }

    // Makes room for this many more sessions opened by a user id and name
    // of their own, without growing on the way. For a crowd, the records'
    // and names' memory is backed on another thread meanwhile (see
    // backLarge): the day's events keep this one busy, another core is idle.
    void reserve(std::size_t sessions);
    // Adds record, open, after every record held; its texts and lists must
    // be this set's.
    std::uint32_t add(const SessionRecord& record);
    // Takes an open record off every chain; it stays readable, closed.
    void remove(std::uint32_t index);
    // Calls an open record by name, one of the set's texts.
    void rename(std::uint32_t index, const HashedName& name);
    // Finds name among the names the record has used: true, with kept the
    // set's text of it, when it has. A few names are read through; a
    // record with many (a player renaming himself thousands of times) has
    // them found through a table, so a rename costs the same however many
    // came before it. The name's hash serves every table a rename reads
    // or writes: a day of thousands of renames hashes each name once.
    bool usedName(std::uint32_t index, const HashedName& name, std::string_view& kept);
    // Appends name, one of the set's texts, to the record's names.
    // namesLeft: how many more names the record could still take (the
    // day's events left), so that the table of a record of thousands of
    // names grows at once to what it may need rather than at each
    // doubling; 0 when not known.
    void addName(std::uint32_t index, const HashedName& name, std::size_t namesLeft = 0);

    // The first open record (in order of adding) with the user id that is
    // called name now. A player's lines come in runs (a killer's kills, a
    // stranger's renames), so the record of a user id that only one open
    // record has is remembered until a record is added or removed.
    std::uint32_t firstOf(std::int32_t userId, const HashedName& name);
    std::uint32_t firstNamed(const HashedName& name);
    std::uint32_t lastNamed(const HashedName& name);
    std::uint32_t firstWithUserId(std::int32_t userId);
    // Notes that a connection under uniqueId from addressKey opens the
    // record added next, its account's last connection now, and gives the
    // open record the account's connection before opened when that came
    // from the same address: the same client again (NoSession when there
    // is none, or when the id and address tell no client apart).
    std::uint32_t swapLastConnection(std::string_view uniqueId, std::int32_t addressKey);
    // The open records with the user id, and those called name from the
    // address, the most recently added first. Valid until the next call.
    const std::vector<std::uint32_t>& withUserIdOrNameAt(std::int32_t userId, const HashedName& name,
                                                         std::int32_t addressKey);
    // Calls visit with each open record from the address.
    template <typename Visit>
    void forEachAt(std::int32_t addressKey, Visit visit)
    {
        chainByAddress();
        if (const Chain* chain = chains_[ByAddress].find(numberKey(addressKey))) {
            for (std::uint32_t i = chain->first; i != NoSession; i = nextOf(i, ByAddress))
                visit(i);
        }
    }

private:
    // A record's links on the chains most days never use, and its lines;
    // made for a record only when one of them is.
    struct Aside {
        std::uint32_t prev[2] = {NoSession, NoSession};
        std::uint32_t next[2] = {NoSession, NoSession};
        ListPool<std::size_t>::List lines;
    };
    Aside& aside(std::uint32_t index)
    {
        while (aside_.size() <= index)
            aside_.append(Aside());
        return aside_[index];
    }
    std::uint32_t& prevOf(std::uint32_t index, SessionIndex by)
    {
        return by <= ByName ? records_[index].prev[by] : aside(index).prev[by - ByNameAt];
    }
    std::uint32_t& nextOf(std::uint32_t index, SessionIndex by)
    {
        return by <= ByName ? records_[index].next[by] : aside(index).next[by - ByNameAt];
    }

    struct Chain {
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        std::uint32_t length = 0;
    };
    // Names are chained by a 32-bit hash of theirs, not the name itself: a
    // key that lives in the table's slot costs no second memory fetch per
    // look-up. Two names with one hash only share a chain, so every look-up
    // compares the name.
    static std::uint32_t numberKey(std::int32_t number) { return static_cast<std::uint32_t>(number); }
    static std::uint32_t nameKey(std::uint64_t nameHash);
    static std::uint32_t nameAtKey(std::uint64_t nameHash, std::int32_t addressKey);
    std::uint32_t keyOf(const SessionRecord& record, SessionIndex index) const;

    // Up to this many open records of one name are found by reading them.
    static constexpr std::uint32_t FewNamed = 8;

    // The length of the chain the record joined (0 where it joins none).
    std::uint32_t link(std::uint32_t index, SessionIndex by);
    void unlink(std::uint32_t index, SessionIndex by);
    // Links by name, and by name and address when the name's chain is long.
    void linkName(std::uint32_t index);
    void unlinkName(std::uint32_t index);

    // Chains every open record by address, once: records added from then
    // on are chained as they come.
    void chainByAddress();

    // Waits for the memory reserve is having backed.
    void finishBacking();

    // The key of an account's last connection: a Steam account's own
    // number where it has one (the accounts of a crowded day, like its
    // user ids, come in runs of numbers, so its look-ups read the table in
    // order), else a hash of the id. Accounts that share a key share a
    // slot, the later connection's taking it: such an account's
    // reconnection may then go unseen, never another's taken for it.
    static std::uint32_t accountKey(std::string_view uniqueId);
    // Whether a connection under the id from the address is one client's:
    // a shared id, or no address, tells no client apart.
    static bool isOneClient(std::string_view uniqueId, std::int32_t addressKey);

    // Whether records are chained by address (see chainByAddress).
    bool byAddress_ = false;
    ThreadGroup backing_;
    BlockArray<SessionRecord> records_;
    BlockArray<Aside> aside_;
    TextStore texts_;
    ListPool<std::string_view> names_;
    ListPool<std::int32_t> teams_;
    ListPool<std::size_t> lines_;
    using Chains = ChainTable<Chain>;
    Chains chains_[SessionIndexCount] = {Chains(Chains::Keys::Numbers), Chains(Chains::Keys::Hashes),
                                         Chains(Chains::Keys::Hashes), Chains(Chains::Keys::Numbers)};
    std::vector<std::uint32_t> found_;
    // The record each account's last connection opened, by accountKey.
    // A slot of 8 bytes: a crowd's million accounts are a table of 16 MB.
    struct LastConnection {
        // The record's index plus one (0 marks a free slot).
        std::uint32_t length;
    };
    ChainTable<LastConnection> lastConnections_{ChainTable<LastConnection>::Keys::Numbers};
    // Records added or removed since the set was made: what firstOf
    // remembered holds while this stays as it was.
    std::uint64_t changes_ = 0;
    struct Found {
        std::uint64_t changes = ~std::uint64_t{0};
        std::int32_t userId = 0;
        std::uint32_t index = NoSession;
    };
    std::array<Found, 16> firstFound_{};

    // The names of each record that used more than FewUsedNames, by
    // record: a table of the names' places in names_, which hold the texts,
    // so a name costs a slot of its record's table and nothing more.
    static constexpr std::size_t FewUsedNames = 8;
    std::unordered_map<std::uint32_t, IndexTable> manyNames_;
    // The table of the record looked up last, or null when it has none: a
    // rename asks twice (has he used the name, add it), and a stranger's
    // renames come one after another.
    IndexTable* manyNamesOf(std::uint32_t index);
    std::uint32_t manyIndex_ = NoSession;
    IndexTable* manyTable_ = nullptr;
};

} // namespace zelkam
