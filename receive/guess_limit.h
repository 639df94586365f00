#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

#include "receive/datagram.h"

namespace zelkam::receive {

// Wrong secrets, counted per source (address and port, as the archive
// keeps sources apart). A source may send a few wrong secrets in a row (a
// server restarted with an old secret, a typing slip); one that keeps on is
// guessing: from then on its datagrams are held back, dropped without being
// judged, all but one in each RefillTime, so guessing runs at that pace
// however fast it sends. The limit is the source's own: another source (the
// real server) is judged as ever, whatever one guesser sends.
//
// The guesser's port is his to change; each new port starts with a fresh
// allowance. A long secret (listen --new-secret) is what makes guessing
// hopeless; this limit makes it slow and visible.
class GuessLimit {
public:
    using Clock = std::chrono::steady_clock;

    // Wrong secrets a source may send in a row before it is held back.
    static constexpr int Allowance = 16;
    // Then one more datagram of its is judged each this long.
    static constexpr std::chrono::seconds RefillTime{4};
    // Sources remembered at most (a few megabytes): more than one address
    // has ports, so a guesser changing his port still meets his limit.
    // When all are taken, those whose allowance is whole again and that
    // were never held back are forgotten; while none is, a new source goes
    // unlimited rather than memory growing.
    static constexpr std::size_t MaxSources = 65536;

    // True when the source's datagram is to be dropped unjudged now (and
    // counts it as held back).
    bool holdsBack(const SourceAddress& source, Clock::time_point now);

    // Counts a wrong secret from the source. True the one time the source
    // runs out of its allowance, when it is to be warned about; wrongSoFar
    // is then its count.
    bool noteWrongSecret(const SourceAddress& source, Clock::time_point now, std::uint64_t& wrongSoFar);

    // True when no source sent a wrong secret yet: nothing to look up.
    bool empty() const { return sources_.empty(); }

    // The sources held back at least once, with their counts, the most
    // wrong secrets first.
    struct Guesser {
        SourceAddress source;
        std::uint64_t wrongSecrets = 0;
        std::uint64_t heldBack = 0;
    };
    std::vector<Guesser> guessers() const;

private:
    using Key = std::tuple<bool, std::array<std::uint8_t, 16>, std::uint16_t>;
    struct Entry {
        SourceAddress source;
        // When the allowance is whole again: each wrong secret moves it on
        // by RefillTime from now or from where it was, whichever is later.
        Clock::time_point wholeAgain;
        std::uint64_t wrongSecrets = 0;
        std::uint64_t heldBack = 0;
        bool warned = false;
    };

    Entry* find(const SourceAddress& source);
    void forgetSettled(Clock::time_point now);

    std::map<Key, Entry> sources_;
    Clock::time_point lastForget_;
};

} // namespace zelkam::receive
