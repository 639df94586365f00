#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "replay/viewer_state.h"

namespace zelkam {

// A quick look at a log file's bytes that tells when none of its events can
// be a hit of a search, so that an all-days search need not parse and
// replay a day whose files cannot hold one.
//
// Every text a search compares (a name, a chat message) is a piece of one
// line of the file, and the search finds its pattern in that piece decoded
// and, letter case ignored, folded. A run of ASCII characters of the
// prepared pattern maps back to the same run of bytes in the file, with
// ASCII letter case ignored when the search ignores case, provided that no
// character outside ASCII folds to one of the run's characters ("ß" folds
// to "ss", the Kelvin sign to "k"): those are left out of the run. So the
// look searches the file for the longest such run; a file without it holds
// no hit. A hidden password's " ***" was never logged: no run holds a '*'
// or ends in a blank. Remote-console commands are not looked at: the password
// arguments the search compares are not the logged bytes.
class HitPrefilter {
public:
    HitPrefilter(SearchKind kind, std::string_view pattern, bool matchCase);
    // A look for bytes as they are (letter case kept), except that the byte
    // at anyAt (when given) may be any: a player's id, whose spellings of one
    // account differ in one digit.
    HitPrefilter(std::string_view bytes, std::optional<std::size_t> anyAt);
    ~HitPrefilter();
    HitPrefilter(const HitPrefilter&) = delete;
    HitPrefilter& operator=(const HitPrefilter&) = delete;

    // False when the pattern leaves nothing to look for (empty, or no
    // character the look can use): every file may then hold a hit.
    bool isActive() const { return !needle_.empty(); }
    // The bytes looked for, lower case when case is ignored.
    const std::string& needle() const { return needle_; }

    // False only when the file (plain or archived) was read to its end and
    // holds no hit; true when it may, when it cannot be opened or read to
    // its end (the day's own reading then deals with it) and when the look
    // is not active. Threads may look at files through one prefilter.
    bool mayHit(const std::filesystem::path& path, std::string_view name) const;
    // The same over bytes held in memory.
    bool mayHit(std::string_view bytes) const;

private:
    void chooseAnchor();
    std::unique_ptr<char[]> takeBuffer() const;
    void giveBack(std::unique_ptr<char[]> buffer) const;

    std::string needle_;
    bool ignoreCase_ = false;
    // The needle's least common byte in log text, and where it stands in it.
    std::size_t anchorAt_ = 0;
    // The needle's place that takes any byte, if any (see the constructor).
    std::optional<std::size_t> anyAt_;
    // The read buffers of looks that ended, for the next looks: one per
    // thread that looked at once, made once for the whole search. They are
    // the prefilter's, not the threads': a thread's own object with a
    // destructor is used after it was freed when the thread ends under
    // mingw-w64, whose emulated thread storage goes first.
    mutable std::mutex buffersMutex_;
    mutable std::vector<std::unique_ptr<char[]>> buffers_;
};

} // namespace zelkam
