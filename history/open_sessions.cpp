#include "history/open_sessions.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "parse/account_id.h"
#include "parse/large_memory.h"
#include "parse/log_event.h"

namespace zelkam {

std::string_view TextStore::keep(std::string_view text)
{
    if (text.empty())
        return {};
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < text.size()) {
        // Blocks grow with the day up to the large size; a longer text gets
        // a block of its own.
        blocks_.emplace_back().reserve(std::max(nextBlock_, text.size()));
        nextBlock_ = std::min(nextBlock_ * 2, LargeAllocationBytes);
    }
    // Within the room reserved: the block never moves, so the texts kept
    // in it stay where they are.
    LargeVector<char>& block = blocks_.back();
    const std::size_t at = block.size();
    block.insert(block.end(), text.begin(), text.end());
    return {block.data() + at, text.size()};
}

void TextStore::clear()
{
    blocks_.clear();
    nextBlock_ = 4096;
}

OpenSessions::~OpenSessions()
{
    finishBacking();
}

void OpenSessions::finishBacking()
{
    backing_.join();
}

void OpenSessions::reserve(std::size_t sessions)
{
    chains_[ByUserId].reserve(sessions);
    chains_[ByName].reserve(sessions);
    lastConnections_.reserve(sessions);
    // Only a crowd is worth a thread: tens of megabytes of records.
    constexpr std::size_t CrowdSessions = 100000;
    if (sessions < CrowdSessions)
        return;
    finishBacking();
    std::vector<std::pair<void*, std::size_t>> blocks;
    const auto made = [&](void* storage, std::size_t bytes) { blocks.emplace_back(storage, bytes); };
    records_.reserve(records_.size() + sessions, made);
    names_.reserve(sessions, made);
    if (blocks.empty())
        return;
    // With no thread to spare the memory is backed as it is written.
    backing_.start(1, [blocks = std::move(blocks)](unsigned) {
        for (const auto& [storage, bytes] : blocks)
            backLarge(storage, bytes);
    });
}

void OpenSessions::clear()
{
    finishBacking();
    records_.clear();
    aside_.clear();
    texts_.clear();
    names_.clear();
    teams_.clear();
    lines_.clear();
    manyNames_.clear();
    manyIndex_ = NoSession;
    manyTable_ = nullptr;
    for (ChainTable<Chain>& chains : chains_)
        chains.clear();
    lastConnections_.clear();
    byAddress_ = false;
    ++changes_;
}

void OpenSessions::chainByAddress()
{
    if (byAddress_)
        return;
    byAddress_ = true;
    for (std::uint32_t i = 0; i < count(); ++i) {
        if (records_[i].open)
            link(i, ByAddress);
    }
}

std::uint32_t OpenSessions::nameKey(std::uint64_t nameHash)
{
    return static_cast<std::uint32_t>(nameHash ^ (nameHash >> 32));
}

std::uint32_t OpenSessions::nameAtKey(std::uint64_t nameHash, std::int32_t addressKey)
{
    std::uint64_t key = nameHash;
    key ^= static_cast<std::uint32_t>(addressKey) + 0x9e3779b97f4a7c15ull + (key << 6) + (key >> 2);
    return static_cast<std::uint32_t>(key ^ (key >> 32));
}

std::uint32_t OpenSessions::keyOf(const SessionRecord& record, SessionIndex index) const
{
    switch (index) {
    case ByUserId: return numberKey(record.userId);
    case ByName: return nameKey(record.nameHash);
    case ByNameAt: return nameAtKey(record.nameHash, record.addressKey);
    default: return numberKey(record.addressKey);
    }
}

std::uint32_t OpenSessions::add(const SessionRecord& record)
{
    const auto index = static_cast<std::uint32_t>(records_.size());
    records_.append(record);
    records_[index].open = true;
    records_[index].onNameAt = false;
    ++changes_;
    link(index, ByUserId);
    linkName(index);
    link(index, ByAddress);
    return index;
}

void OpenSessions::remove(std::uint32_t index)
{
    unlink(index, ByUserId);
    unlinkName(index);
    unlink(index, ByAddress);
    records_[index].open = false;
    ++changes_;
}

void OpenSessions::rename(std::uint32_t index, const HashedName& name)
{
    unlinkName(index);
    records_[index].currentName = name.text;
    records_[index].nameHash = name.hash;
    linkName(index);
}

void OpenSessions::linkName(std::uint32_t index)
{
    const std::uint32_t named = link(index, ByName);
    if (named <= FewNamed)
        return;
    // Too many to read: every record of the chain is chained by name and
    // address too, those that came while it was short as it grows past.
    if (named > FewNamed + 1) {
        link(index, ByNameAt);
        records_[index].onNameAt = true;
        return;
    }
    const Chain* chain = chains_[ByName].find(nameKey(records_[index].nameHash));
    for (std::uint32_t i = chain->first; i != NoSession; i = nextOf(i, ByName)) {
        if (!records_[i].onNameAt) {
            link(i, ByNameAt);
            records_[i].onNameAt = true;
        }
    }
}

void OpenSessions::unlinkName(std::uint32_t index)
{
    if (records_[index].onNameAt) {
        unlink(index, ByNameAt);
        records_[index].onNameAt = false;
    }
    unlink(index, ByName);
}

// Threads the record on its chain in order of adding, which is order of
// index. Mostly the newest record, so the walk back from the chain's end
// stops at once, without reading a record; a name change onto a name in use
// may land earlier.
std::uint32_t OpenSessions::link(std::uint32_t index, SessionIndex by)
{
    if (by == ByAddress && !byAddress_)
        return 0;
    Chain& chain = chains_[by].obtain(keyOf(records_[index], by));
    if (chain.length == 0) {
        // A key of its own, as for every player of a crowd.
        chain.first = chain.last = index;
        chain.length = 1;
        prevOf(index, by) = nextOf(index, by) = NoSession;
        return 1;
    }
    std::uint32_t before = chain.last;
    while (before != NoSession && before > index)
        before = prevOf(before, by);
    const std::uint32_t after = before != NoSession ? nextOf(before, by) : chain.first;
    prevOf(index, by) = before;
    nextOf(index, by) = after;
    (before != NoSession ? nextOf(before, by) : chain.first) = index;
    (after != NoSession ? prevOf(after, by) : chain.last) = index;
    return ++chain.length;
}

void OpenSessions::unlink(std::uint32_t index, SessionIndex by)
{
    if (by == ByAddress && !byAddress_)
        return;
    Chain& chain = *chains_[by].find(keyOf(records_[index], by));
    // A chain that empties goes, so a day of a million passing names does
    // not keep a million empty chains.
    if (chain.length == 1) {
        chains_[by].erase(chain);
    } else {
        const std::uint32_t before = prevOf(index, by);
        const std::uint32_t after = nextOf(index, by);
        (before != NoSession ? nextOf(before, by) : chain.first) = after;
        (after != NoSession ? prevOf(after, by) : chain.last) = before;
        --chain.length;
    }
    prevOf(index, by) = nextOf(index, by) = NoSession;
}

std::uint32_t OpenSessions::firstOf(std::int32_t userId, const HashedName& name)
{
    // The one open record of the user id, found before: the first of his
    // as long as it is called name.
    Found& found = firstFound_[static_cast<std::uint32_t>(userId) % firstFound_.size()];
    if (found.changes == changes_ && found.userId == userId && records_[found.index].currentName == name.text)
        return found.index;
    // Either chain holds the answer; the shorter one is read.
    const Chain* ids = chains_[ByUserId].find(numberKey(userId));
    if (!ids)
        return NoSession;
    const Chain* named = chains_[ByName].find(nameKey(name.hash));
    if (!named)
        return NoSession;
    const SessionIndex by = ids->length <= named->length ? ByUserId : ByName;
    for (std::uint32_t i = by == ByUserId ? ids->first : named->first; i != NoSession; i = nextOf(i, by)) {
        if (records_[i].userId == userId && records_[i].currentName == name.text) {
            if (ids->length == 1)
                found = {changes_, userId, i};
            return i;
        }
    }
    return NoSession;
}

std::uint32_t OpenSessions::firstNamed(const HashedName& name)
{
    const Chain* chain = chains_[ByName].find(nameKey(name.hash));
    std::uint32_t i = chain ? chain->first : NoSession;
    while (i != NoSession && records_[i].currentName != name.text)
        i = nextOf(i, ByName);
    return i;
}

std::uint32_t OpenSessions::lastNamed(const HashedName& name)
{
    const Chain* chain = chains_[ByName].find(nameKey(name.hash));
    std::uint32_t i = chain ? chain->last : NoSession;
    while (i != NoSession && records_[i].currentName != name.text)
        i = prevOf(i, ByName);
    return i;
}

std::uint32_t OpenSessions::firstWithUserId(std::int32_t userId)
{
    const Chain* chain = chains_[ByUserId].find(numberKey(userId));
    return chain ? chain->first : NoSession;
}

std::uint32_t OpenSessions::accountKey(std::string_view uniqueId)
{
    // STEAM_U:Z:Y, whatever its universe digit U, is keyed by Y: those of
    // Z 0 and 1 share it.
    constexpr std::size_t ZAt = UniverseDigitAt + 2;
    constexpr std::size_t YAt = ZAt + 2;
    if (hasUniverseDigit(uniqueId) && uniqueId.size() > YAt && uniqueId.size() <= YAt + 9
        && (uniqueId[ZAt] == '0' || uniqueId[ZAt] == '1') && uniqueId[ZAt + 1] == ':') {
        std::uint32_t number = 0;
        bool digits = true;
        for (const char c : uniqueId.substr(YAt)) {
            digits = digits && c >= '0' && c <= '9';
            number = number * 10 + static_cast<std::uint32_t>(c - '0');
        }
        if (digits)
            return number;
    }
    return foldHash32(accountHash(uniqueId));
}

bool OpenSessions::isOneClient(std::string_view uniqueId, std::int32_t addressKey)
{
    return addressKey != NoAddressKey && !isSharedUniqueId(uniqueId);
}

std::uint32_t OpenSessions::swapLastConnection(std::string_view uniqueId, std::int32_t addressKey)
{
    if (!isOneClient(uniqueId, addressKey))
        return NoSession;
    LastConnection& last = lastConnections_.obtain(accountKey(uniqueId));
    const std::uint32_t before = std::exchange(last.length, count() + 1) - 1;
    // An account that shares its slot with another is told apart here.
    if (before == NoSession || !records_[before].open || records_[before].addressKey != addressKey ||
        !isSameAccount(records_[before].uniqueId, uniqueId))
        return NoSession;
    return before;
}

const std::vector<std::uint32_t>& OpenSessions::withUserIdOrNameAt(std::int32_t userId, const HashedName& name,
                                                                   std::int32_t addressKey)
{
    found_.clear();
    if (const Chain* chain = chains_[ByUserId].find(numberKey(userId))) {
        for (std::uint32_t i = chain->first; i != NoSession; i = nextOf(i, ByUserId))
            found_.push_back(i);
    }
    const auto sameNameAt = [&](std::uint32_t i) {
        const SessionRecord& record = records_[i];
        return record.userId != userId && record.currentName == name.text && record.addressKey == addressKey;
    };
    const Chain* named = chains_[ByName].find(nameKey(name.hash));
    if (named && named->length <= FewNamed) {
        for (std::uint32_t i = named->first; i != NoSession; i = nextOf(i, ByName)) {
            if (sameNameAt(i))
                found_.push_back(i);
        }
    } else if (named) {
        if (const Chain* chain = chains_[ByNameAt].find(nameAtKey(name.hash, addressKey))) {
            for (std::uint32_t i = chain->first; i != NoSession; i = nextOf(i, ByNameAt)) {
                if (sameNameAt(i))
                    found_.push_back(i);
            }
        }
    }
    std::sort(found_.begin(), found_.end(), std::greater<>());
    return found_;
}

bool OpenSessions::usedName(std::uint32_t index, const HashedName& name, std::string_view& kept)
{
    if (IndexTable* many = manyNamesOf(index)) {
        const std::uint32_t found = many->find(
            foldHash32(name.hash), [&](std::uint32_t place) { return names_.at(place) == name.text; });
        if (found == IndexTable::Missing)
            return false;
        kept = names_.at(found);
        return true;
    }
    std::size_t count = 0;
    const bool fresh = names_.visit(records_[index].names, [&](std::string_view used) {
        ++count;
        if (used != name.text)
            return true;
        kept = used;
        return false;
    });
    if (fresh && count >= FewUsedNames) {
        // From here on the record's names are found by the table.
        IndexTable& table = manyNames_[index];
        // Tables are nodes of their own: made, the table stays where it is.
        manyIndex_ = index;
        manyTable_ = &table;
        names_.visitPlaces(records_[index].names, [&](std::uint32_t place, std::string_view used) {
            table.add(textHash32(used), place);
        });
    }
    return !fresh;
}

void OpenSessions::addName(std::uint32_t index, const HashedName& name, std::size_t namesLeft)
{
    const std::uint32_t place = names_.append(records_[index].names, name.text);
    IndexTable* many = manyNamesOf(index);
    if (!many)
        return;
    // Only a record that has taken thousands of names already (a stranger
    // renaming himself) gets room for what the day could still give it:
    // an ordinary player's table stays as small as his names.
    constexpr std::size_t ManyNames = 4096;
    many->add(foldHash32(name.hash), place, many->size() >= ManyNames ? namesLeft : 0);
}

IndexTable* OpenSessions::manyNamesOf(std::uint32_t index)
{
    if (index == manyIndex_)
        return manyTable_;
    const auto many = manyNames_.find(index);
    manyIndex_ = index;
    manyTable_ = many != manyNames_.end() ? &many->second : nullptr;
    return manyTable_;
}

} // namespace zelkam
