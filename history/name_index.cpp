#include "history/name_index.h"

#include <algorithm>
#include <array>

namespace zelkam {

void IndexTable::add(std::uint32_t hash, std::uint32_t index)
{
    if (4 * (count_ + 1) > 3 * slots_.size())
        rebuild(std::max<std::size_t>(16, slots_.size() * 2));
    place(Slot{hash, index});
    ++count_;
}

void IndexTable::add(std::uint32_t hash, std::uint32_t index, std::size_t moreToCome)
{
    if (4 * (count_ + 1) > 3 * slots_.size())
        reserve(count_ + 1 + moreToCome);
    add(hash, index);
}

void IndexTable::reserve(std::size_t count)
{
    std::size_t slots = std::max<std::size_t>(16, slots_.size());
    while (4 * count > 3 * slots)
        slots *= 2;
    if (slots != slots_.size())
        rebuild(slots);
}

void IndexTable::rebuild(std::size_t slots)
{
    LargeVector<Slot> old(slots);
    old.swap(slots_);
    for (const Slot& slot : old) {
        if (slot.index != Missing)
            place(slot);
    }
}

void IndexTable::clear()
{
    slots_.clear();
    count_ = 0;
}

void IndexTable::place(const Slot& slot)
{
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = slot.hash & mask;
    while (slots_[at].index != Missing)
        at = (at + 1) & mask;
    slots_[at] = slot;
}

std::uint32_t textHash32(std::string_view text)
{
    return foldHash32(hashText(text));
}

template <typename List>
void NameIndex::tableAll(const List& names)
{
    if (tabled_ == names.size())
        return;
    many_.reserve(std::max(names.size(), wanted_));
    for (; tabled_ < names.size(); ++tabled_)
        many_.add(textHash32(names[tabled_]), static_cast<std::uint32_t>(tabled_));
}

namespace {

// A batch's names, looked up in order.
template <typename Batch>
auto batchHashes(const IndexTable& table, const Batch& batch, std::size_t from)
{
    return HashesAhead(
        table, batch.size(), [&batch](std::size_t i) { return std::optional<std::string_view>(batch[i]); }, from);
}

} // namespace

void NameIndex::missingOf(const LargeVector<std::string>& names, const LargeVector<std::string_view>& batch,
                          std::vector<std::uint32_t>& missing)
{
    if (names.size() <= FewNames) {
        for (std::size_t i = 0; i < batch.size(); ++i) {
            if (std::find(names.begin(), names.end(), batch[i]) == names.end())
                missing.push_back(static_cast<std::uint32_t>(i));
        }
        return;
    }
    tableAll(names);
    auto hashes = batchHashes(many_, batch, 0);
    for (std::size_t i = 0; i < batch.size(); ++i) {
        const std::string_view name = batch[i];
        if (many_.find(hashes.at(i), [&](std::uint32_t at) { return names[at] == name; }) == IndexTable::Missing)
            missing.push_back(static_cast<std::uint32_t>(i));
    }
}

void NameIndex::addAllTo(LargeVector<std::string>& names, const LargeVector<std::string_view>& batch)
{
    std::size_t i = 0;
    // A short list is read through, name by name, until it has grown long.
    for (; i < batch.size() && names.size() <= FewNames; ++i)
        addToList(names, batch[i]);
    if (i == batch.size())
        return;
    reserve(names.size() + (batch.size() - i));
    tableAll(names);
    auto hashes = batchHashes(many_, batch, i);
    for (; i < batch.size(); ++i) {
        const std::string_view name = batch[i];
        if (many_.findOrAdd(hashes.at(i), static_cast<std::uint32_t>(names.size()),
                            [&](std::uint32_t at) { return names[at] == name; })
            != IndexTable::Missing)
            continue;
        names.emplace_back(name);
        ++tabled_;
    }
}

template <typename List>
bool NameIndex::addToList(List& names, std::string_view name)
{
    if (names.size() <= FewNames) {
        if (std::find(names.begin(), names.end(), name) != names.end())
            return false;
        names.emplace_back(name);
        return true;
    }
    tableAll(names);
    if (many_.findOrAdd(textHash32(name), static_cast<std::uint32_t>(names.size()),
                        [&](std::uint32_t i) { return names[i] == name; })
        != IndexTable::Missing)
        return false;
    names.emplace_back(name);
    ++tabled_;
    return true;
}

template bool NameIndex::addToList(std::vector<std::string>&, std::string_view);
template bool NameIndex::addToList(std::vector<std::string_view>&, std::string_view);
template bool NameIndex::addToList(LargeVector<std::string>&, std::string_view);

} // namespace zelkam
