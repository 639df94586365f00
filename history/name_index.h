#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace zelkam {

// Hashes a text for the standard containers' look-ups by string_view.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// Finds a name in one list of names kept in order of first use (a session's,
// a player's, a record's). A few names are read through, which costs nothing
// extra for the usual player; once the list grows past that (a stranger
// renaming himself thousands of times) a table finds them, so each name costs
// the same however many came before it. Used with one list only, every name
// added through it.
class NameIndex {
public:
    // Appends name to names unless it is there already; true when appended.
    bool addTo(std::vector<std::string>& names, std::string_view name);

private:
    static constexpr std::size_t FewNames = 8;
    std::unique_ptr<std::unordered_set<std::string, TextHash, std::equal_to<>>> many_;
};

} // namespace zelkam
