#include "receive/guess_limit.h"

#include <algorithm>

namespace zelkam::receive {
namespace {

// Past this, the allowance is used up: Allowance wrong secrets moved the
// time it is whole again that far beyond now.
constexpr auto UsedUp = GuessLimit::RefillTime * (GuessLimit::Allowance - 1);

} // namespace

GuessLimit::Entry* GuessLimit::find(const SourceAddress& source)
{
    const auto found = sources_.find(Key(source.isV6, source.bytes, source.port));
    return found == sources_.end() ? nullptr : &found->second;
}

bool GuessLimit::holdsBack(const SourceAddress& source, Clock::time_point now)
{
    Entry* entry = find(source);
    if (!entry || entry->wholeAgain - now <= UsedUp)
        return false;
    ++entry->heldBack;
    return true;
}

bool GuessLimit::noteWrongSecret(const SourceAddress& source, Clock::time_point now, std::uint64_t& wrongSoFar)
{
    Entry* entry = find(source);
    if (!entry) {
        if (sources_.size() >= MaxSources)
            forgetSettled(now);
        if (sources_.size() >= MaxSources)
            return false;
        entry = &sources_[Key(source.isV6, source.bytes, source.port)];
        entry->source = source;
    }
    ++entry->wrongSecrets;
    entry->wholeAgain = std::max(entry->wholeAgain, now) + RefillTime;
    if (entry->warned || entry->wholeAgain - now <= UsedUp)
        return false;
    entry->warned = true;
    wrongSoFar = entry->wrongSecrets;
    return true;
}

void GuessLimit::forgetSettled(Clock::time_point now)
{
    // At most once a second: a flood from new sources while every place is
    // taken would otherwise look over the whole table at each datagram.
    if (now - lastForget_ < std::chrono::seconds(1))
        return;
    lastForget_ = now;
    // A source held back once stays, for the counts at the end.
    std::erase_if(sources_, [&](const auto& item) { return item.second.wholeAgain <= now && !item.second.warned; });
}

std::vector<GuessLimit::Guesser> GuessLimit::guessers() const
{
    std::vector<Guesser> found;
    for (const auto& [key, entry] : sources_) {
        if (entry.warned)
            found.push_back({entry.source, entry.wrongSecrets, entry.heldBack});
    }
    std::sort(found.begin(), found.end(),
              [](const Guesser& a, const Guesser& b) { return a.wrongSecrets > b.wrongSecrets; });
    return found;
}

} // namespace zelkam::receive
