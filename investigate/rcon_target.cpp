#include "investigate/rcon_target.h"

#include <algorithm>
#include <cstring>

#include "parse/decimal.h"
#include "parse/recognizer.h"
#include "state/event_application.h"

namespace zelkam {
namespace {

// The server splits a command line into commands at ";" outside quotes and
// each command into words at bytes 0x01 to 0x20, a double-quoted run being
// one word without its quotes.
std::vector<std::vector<std::string>> commandWords(std::string_view line)
{
    std::vector<std::vector<std::string>> commands(1);
    std::string word;
    bool inWord = false;
    bool quoted = false;
    const auto endWord = [&] {
        if (inWord)
            commands.back().push_back(word);
        word.clear();
        inWord = false;
    };
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"') {
            if (quoted)
                endWord();
            else
                endWord(), inWord = true;
            quoted = !quoted;
        } else if (quoted) {
            word += c;
        } else if (c == ';') {
            endWord();
            commands.emplace_back();
        } else if (byte <= 0x20) {
            endWord();
        } else {
            word += c;
            inWord = true;
        }
    }
    endWord();
    return commands;
}

bool isNumber(std::string_view word)
{
    std::int64_t value = 0;
    return readNumber(word, value, NumberFormat{true, -1, 1'000'000'000});
}

struct ActingCommand {
    std::string_view name;
    RconAction action;
    // The word that names the player; for a ban of the admin plugin, the
    // first of the two words that is no number (both orders are in use).
    std::size_t word;
    bool eitherOfTwo;
};

constexpr ActingCommand actingCommands[] = {
    {"kick", RconAction::Kick, 1, false},     {"banid", RconAction::Ban, 2, false},
    {"addip", RconAction::Ban, 2, false},     {"amx_kick", RconAction::Kick, 1, false},
    {"amx_ban", RconAction::Ban, 1, true},    {"amx_banip", RconAction::Ban, 1, true},
    {"amx_slay", RconAction::Slay, 1, false}, {"amx_slap", RconAction::Slay, 1, false},
};

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool holdsIgnoringAsciiCase(std::string_view text, std::string_view part)
{
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [](char x, char y) { return lowerAscii(x) == lowerAscii(y); }) != text.end();
}

bool looksLikeAddress(std::string_view word)
{
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.' || c == ':'; }) &&
           std::count(word.begin(), word.end(), '.') == 3;
}

} // namespace

std::vector<RconTargeting> rconTargetingsOf(std::string_view command)
{
    std::vector<RconTargeting> found;
    for (const std::vector<std::string>& words : commandWords(command)) {
        if (words.empty())
            continue;
        for (const ActingCommand& acting : actingCommands) {
            if (!equalIgnoringAsciiCase(words[0], acting.name))
                continue;
            std::size_t at = acting.word;
            if (acting.eitherOfTwo && at < words.size() && isNumber(words[at]))
                ++at;
            if (at >= words.size())
                break;
            std::string target = words[at];
            // "kick # 12": the number may stand apart from its "#".
            if (target == "#" && at + 1 < words.size())
                target += words[at + 1];
            found.push_back({acting.action, std::move(target)});
            break;
        }
    }
    return found;
}

bool resolveRconTarget(const LiveState& state, const RconTargeting& targeting, const PlayerEntry*& found)
{
    found = nullptr;
    const std::string& word = targeting.target;
    if (word.empty())
        return false;
    const Roster& roster = state.roster;
    if (word.size() > 1 && word[0] == '#') {
        std::int32_t userId = 0;
        if (!readNumber(std::string_view(word).substr(1), userId))
            return false;
        found = findPlayerByUserId(state, userId);
        return found != nullptr;
    }
    if (looksLikeAddress(word)) {
        // The address key is all an event keeps of an address.
        const std::int32_t key = parseAddress(word);
        for (std::size_t i = 0; i < roster.count && !found; ++i) {
            if (roster.entries[i].addressKey == key)
                found = &roster.entries[i];
        }
        return found != nullptr;
    }
    for (std::size_t i = 0; i < roster.count; ++i) {
        const char* id = roster.entries[i].uniqueId;
        if (id && word == id) {
            found = &roster.entries[i];
            return true;
        }
    }
    if ((found = findPlayerByName(state, word.c_str())))
        return true;
    // A part of a name names a player only when no other name holds it.
    const PlayerEntry* only = nullptr;
    for (std::size_t i = 0; i < roster.count; ++i) {
        const char* name = roster.entries[i].name;
        if (!name || !holdsIgnoringAsciiCase(name, word))
            continue;
        if (only)
            return false;
        only = &roster.entries[i];
    }
    found = only;
    return found != nullptr;
}

bool rconTargetCouldMean(const RconTargeting& targeting, std::int32_t userId, const std::vector<std::string>& names,
                         const std::function<bool(std::string_view)>& isUniqueId)
{
    // The same ways in as resolveRconTarget, each asked whether it could
    // lead to him rather than whom it leads to.
    const std::string& word = targeting.target;
    if (word.empty())
        return false;
    if (word.size() > 1 && word[0] == '#') {
        std::int32_t number = 0;
        return readNumber(std::string_view(word).substr(1), number) && number == userId;
    }
    // An address means whoever connected from it: his addresses are not at
    // hand here, so it could be him.
    if (looksLikeAddress(word) || isUniqueId(word))
        return true;
    // A name matches on its first 31 characters, so a word that long can
    // match a longer name it is not part of.
    if (word.size() >= 31)
        return true;
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& name) { return holdsIgnoringAsciiCase(name, word); });
}

std::string_view rconActionName(RconAction action)
{
    switch (action) {
    case RconAction::Kick:
        return "kick";
    case RconAction::Ban:
        return "ban";
    case RconAction::Slay:
        return "slay";
    }
    return "";
}

} // namespace zelkam
