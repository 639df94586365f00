#pragma once

// The one hash of the tables that find what strangers write or choose:
// names, weapons, maps, ids, account numbers. A player picks his names, and
// an emulated client its account number; with a hash anyone can compute,
// he could pick thousands whose hashes share a table's slots, and every
// look-up would read through all of them (the square a day of renames
// costs when names are read one after another). So the hash is keyed by a
// secret drawn once per process: what lands where differs from run to run
// and cannot be aimed at. Nothing the program shows or writes may depend
// on a hash: tables give back what was put in, in the order it came.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zelkam {

// A text's 64-bit hash under the process's key.
std::uint64_t hashText(std::string_view text);

// A number a stranger may choose (an account number), mixed under the
// process's key: every bit of the result depends on every bit of it.
std::uint64_t hashNumber(std::uint64_t number);

// hashText for the standard containers, looked up by string_view too.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return static_cast<std::size_t>(hashText(text)); }
};

} // namespace zelkam
