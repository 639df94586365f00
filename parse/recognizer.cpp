#include "parse/recognizer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "parse/decimal.h"
#include "parse/player_token_cache.h"
#include "parse/sides.h"

namespace zelkam {
namespace {

// Where the last "<" of text stands, or npos. Every player token is
// searched this way, so the C library's vectorised search is used where
// there is one.
std::size_t lastOpeningBracket(std::string_view text)
{
#if defined(__GLIBC__)
    // A token that is not there has no storage at all, which memrchr must
    // not be given.
    if (text.empty())
        return std::string_view::npos;
    if (const void* at = memrchr(text.data(), '<', text.size()))
        return static_cast<std::size_t>(static_cast<const char*>(at) - text.data());
    return std::string_view::npos;
#else
    return text.rfind('<');
#endif
}

// Right-aligns a score in four columns; a longer score keeps its first four
// characters so the views' fixed four-column reading still holds.
void appendScoreColumn(char* out, std::string_view score)
{
    score = score.substr(0, 4);
    const std::size_t pad = 4 - score.size();
    for (std::size_t i = 0; i < pad; ++i)
        out[i] = ' ';
    for (std::size_t i = 0; i < score.size(); ++i)
        out[pad + i] = score[i];
}

// Remote-console texts are split into words as the server splits a command
// line: every byte from 0x01 to 0x20 separates words (runs of them count as
// one; NUL never reaches here, a line ends there), and a double quote starts
// a run in which separators do not end the word, up to the next double
// quote. A quote that never closes holds the rest of the text in its word,
// so a password with an odd quote in it is taken whole rather than shown.
//
// Where a password setting and its value are looked for, the bytes from
// 0x80 on separate words too: the server compares its characters signed, so
// it is likely to split there as well, and a value that is hidden although
// the server would not have split is the safe side. Where the command
// starts (the fourth word) the split stays 0x01 to 0x20.
enum class Split { Command, Setting };

bool isSeparator(char c, Split split)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte != 0 && byte <= 0x20) || (split == Split::Setting && byte >= 0x80);
}

std::size_t skipSeparators(std::string_view text, std::size_t at, Split split)
{
    while (at < text.size() && isSeparator(text[at], split))
        ++at;
    return at;
}

// Where the word that starts at at ends: the first separator outside quotes.
std::size_t wordEnd(std::string_view text, std::size_t at, Split split)
{
    bool quoted = false;
    for (; at < text.size(); ++at) {
        if (text[at] == '"')
            quoted = !quoted;
        else if (!quoted && isSeparator(text[at], split))
            break;
    }
    return at;
}

// Where the command that starts at at ends: the server runs the commands of
// one line separated by ";" outside quotes.
std::size_t commandEnd(std::string_view text, std::size_t at)
{
    bool quoted = false;
    for (; at < text.size(); ++at) {
        if (text[at] == '"')
            quoted = !quoted;
        else if (!quoted && text[at] == ';')
            break;
    }
    return at;
}

// Whether a word names a setting that holds a password. The server reads
// setting names in any letter case; quotes in the word are left out.
bool namesPassword(std::string_view word)
{
    constexpr std::size_t Longest = 13;
    char name[Longest];
    std::size_t length = 0;
    for (const char c : word) {
        if (c == '"')
            continue;
        if (length == Longest)
            return false;
        name[length++] = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    const std::string_view lower(name, length);
    return lower == "rcon_password" || lower == "sv_password" || lower == "sv_logsecret";
}

// Where the first password setting name of one command ends, or npos. The
// name counts wherever it stands as a word: as the command itself, as an
// argument of another command that sets or wraps settings, and as a word of
// a quoted argument (an alias holds commands of its own). Inside a quoted
// argument, its closing quote right after the name goes with the name.
std::size_t passwordNameEnd(std::string_view command)
{
    constexpr Split split = Split::Setting;
    for (std::size_t at = skipSeparators(command, 0, split); at < command.size();) {
        const std::size_t end = wordEnd(command, at, split);
        const std::string_view word = command.substr(at, end - at);
        if (namesPassword(word))
            return end;
        if (word.find('"') != std::string_view::npos) {
            // Inside quotes ";" ends a command of the quoted line too.
            const auto splits = [](char c) { return c == '"' || c == ';' || isSeparator(c, split); };
            bool quoted = false;
            for (std::size_t i = at; i < end;) {
                if (splits(command[i])) {
                    quoted = quoted != (command[i] == '"');
                    ++i;
                    continue;
                }
                std::size_t innerEnd = i;
                while (innerEnd < end && !splits(command[innerEnd]))
                    ++innerEnd;
                if (namesPassword(command.substr(i, innerEnd - i)))
                    return quoted && innerEnd < end && command[innerEnd] == '"' ? innerEnd + 1 : innerEnd;
                i = innerEnd;
            }
        }
        at = skipSeparators(command, end, split);
    }
    return std::string_view::npos;
}

// A stranger's text (a remote-console command, a chat text, a name) as an
// event keeps it: the value of every password setting in it hidden by the
// console's rule (hidePasswords), so no view, search or output can ever
// show it. An admin who types the console command into chat or the name
// box by mistake leaks the password there as surely as in the console.
// Every setting name holds "_", so a text without one needs no closer look.
// The result is held to a token's length, as every event text is. A text
// with a password hidden is built in the caller's own string, which lives
// until the caller has copied it: a per-thread string would be used after
// it was freed when a thread ends under mingw-w64 (whose emulated thread
// storage is freed before such objects' destructors run), and the day walks
// end threads all the time.
std::string_view hidingPasswords(std::string_view text, std::string& hidden)
{
    if (text.find('_') == std::string_view::npos)
        return text;
    if (!hidePasswords(text, hidden))
        return text;
    return std::string_view(hidden).substr(0, TokenTable::MaxTokenLength);
}

void append(EventList& events, std::int32_t kind, std::int32_t time, const PlayerEntry& player, const char* text)
{
    LogEvent& event = events.appendSlot();
    event.kind = kind;
    event.time = time;
    event.player = player;
    event.text = text;
}

// The tokens of one line rest, made as the rules ask for them: most lines
// are told apart by their first two tokens, and a line of no known kind
// (the hit reports that fill a busy day's logs) needs no more.
class OnDemandTokens {
public:
    // Every rule reads the first two tokens, so they are made at once.
    OnDemandTokens(std::string_view rest, TokenTable& table, int maxTokens)
        : rest_(rest), table_(table), maxTokens_(maxTokens)
    {
        tokenizeLine(rest_, table_, std::min(maxTokens_, 2));
    }

    std::string_view token(int i)
    {
        if (i >= table_.count() && i < maxTokens_)
            tokenizeMore(rest_, table_, i + 1);
        return table_.token(i);
    }

private:
    std::string_view rest_;
    TokenTable& table_;
    int maxTokens_;
};

// Tokens is a TokenTable (tokenised already) or OnDemandTokens; both give
// token(i), empty beyond the last token.
template <typename Tokens>
void appendRconEvent(std::int32_t kind, std::int32_t time, Tokens& tokens, StringArena& arena, EventList& events)
{
    std::string_view rconText = tokens.token(1);
    std::string_view address = tokens.token(3);
    if (address.empty()) {
        // The quoted text swallowed the rest of the line (its quotes did not
        // balance): the sender's address is still at its end.
        constexpr std::string_view fromMarker = " from \"";
        const std::size_t at = rconText.find(fromMarker);
        if (at != std::string_view::npos) {
            address = rconText.substr(at + fromMarker.size());
            rconText = rconText.substr(0, at);
        }
    }
    PlayerEntry sender;
    sender.addressKey = parseAddress(address);
    const std::optional<std::string_view> command = extractCommand(rconText);
    char* text = nullptr;
    if (command) {
        // The whole address rides after the command's NUL (see rconSourceOf).
        std::string hidden;
        const std::string_view shown = hidingPasswords(*command, hidden);
        const std::uint32_t whole = parseWholeAddress(address);
        text = arena.allocate(shown.size() + 1 + sizeof whole);
        if (text) {
            std::memcpy(text, shown.data(), shown.size());
            text[shown.size()] = '\0';
            std::memcpy(text + shown.size() + 1, &whole, sizeof whole);
        }
    }
    append(events, kind, time, sender, text);
}

} // namespace

PlayerEntry parsePlayerToken(std::string_view token, StringArena& arena)
{
    // Scan backwards for the "<" that open the team, WONID and user-id groups.
    std::size_t opens[3];
    int found = 0;
    for (std::size_t end = token.size(); found < 3;) {
        const std::size_t open = lastOpeningBracket(token.substr(0, end));
        if (open == std::string_view::npos)
            break;
        opens[found++] = open;
        end = open;
    }

    PlayerEntry player;
    if (found >= 1) {
        player.team = sideOfTeamGroup(token.substr(opens[0]));
    }
    if (found >= 2)
        player.wonId = decimalValue(token.substr(opens[1] + 1));
    if (found >= 3)
        player.userId = decimalValue(token.substr(opens[2] + 1));
    std::string hidden;
    const std::string_view name =
        hidingPasswords(token.substr(0, found > 0 ? opens[found - 1] : token.size()), hidden);
    // The unique id is the WONID group's text as logged, without its "<"
    // and closing ">"; a group cut short (the line's 255-character cut, a
    // stray "<") keeps what is there. Name and id share one arena copy.
    std::string_view uniqueId;
    if (found >= 2) {
        uniqueId = token.substr(opens[1] + 1, opens[0] - opens[1] - 1);
        if (!uniqueId.empty() && uniqueId.back() == '>')
            uniqueId.remove_suffix(1);
    }
    char* copy = arena.allocate(name.size() + 1 + uniqueId.size() + 1);
    if (!copy)
        return player;
    // An empty token may have no data at all: copy only what is there.
    if (!name.empty())
        std::memcpy(copy, name.data(), name.size());
    copy[name.size()] = '\0';
    player.name = copy;
    if (!uniqueId.empty()) {
        char* id = copy + name.size() + 1;
        std::memcpy(id, uniqueId.data(), uniqueId.size());
        id[uniqueId.size()] = '\0';
        player.uniqueId = id;
    }
    return player;
}

std::int32_t parseAddress(std::string_view text)
{
    std::uint32_t key = 0;
    std::uint32_t group = 0;
    for (char c : text) {
        if (c == ':')
            break;
        if (c >= '0' && c <= '9') {
            group = group * 10 + static_cast<std::uint32_t>(c - '0');
        } else if (c == '.') {
            key = (key << 8) + group;
            group = 0;
        }
    }
    return static_cast<std::int32_t>(key);
}

std::uint32_t parseWholeAddress(std::string_view text)
{
    std::uint32_t whole = 0;
    int groups = 0;
    std::size_t at = 0;
    while (groups < 4) {
        std::uint32_t group = 0;
        std::size_t digits = 0;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4; ++at, ++digits)
            group = group * 10 + static_cast<std::uint32_t>(text[at] - '0');
        if (digits == 0 || digits > 3 || group > 255)
            return 0;
        whole = (whole << 8) + group;
        ++groups;
        if (groups < 4) {
            if (at == text.size() || text[at] != '.')
                return 0;
            ++at;
        }
    }
    return at == text.size() || text[at] == ':' ? whole : 0;
}

std::optional<std::string_view> extractCommand(std::string_view text)
{
    constexpr Split split = Split::Command;
    std::size_t at = skipSeparators(text, 0, split);
    // "rcon", the challenge and the password.
    for (int word = 0; word < 3 && at < text.size(); ++word)
        at = skipSeparators(text, wordEnd(text, at, split), split);
    if (at >= text.size())
        return std::nullopt;
    return text.substr(at);
}

bool hidePasswords(std::string_view command, std::string& hidden)
{
    hidden.clear();
    bool changed = false;
    for (std::size_t start = 0; start <= command.size();) {
        const std::size_t end = commandEnd(command, start);
        const std::string_view one = command.substr(start, end - start);
        const std::size_t nameEnd = passwordNameEnd(one);
        if (nameEnd != std::string_view::npos && skipSeparators(one, nameEnd, Split::Setting) < one.size()) {
            // Everything after the name up to the command's end is hidden; a
            // quote left open before it is closed again.
            const std::string_view kept = one.substr(0, nameEnd);
            hidden.append(kept);
            hidden.append(" ***");
            if (std::count(kept.begin(), kept.end(), '"') % 2 != 0)
                hidden += '"';
            changed = true;
        } else {
            hidden.append(one);
        }
        if (end < command.size())
            hidden += ';';
        start = end + 1;
    }
    return changed;
}

namespace {

// Tokens is a TokenTable or OnDemandTokens; parsePlayer turns a player token
// into its PlayerEntry (parsePlayerToken, or a PlayerTokenCache's parse).
// The lines the replay does not play but rankings count, told apart by the
// action a player triggers: "<player>" triggered "<action>".
struct TriggerRule {
    std::string_view action;
    std::int32_t kind;
};
constexpr TriggerRule playerTriggers[] = {
    {"Planted_The_Bomb", BombPlanted},
    {"Defused_The_Bomb", BombDefused},
    {"Rescued_A_Hostage", HostageRescued},
};

// A kill's text with its detail after the killer's name (see KillDetail):
// the name, NUL, the team code as one digit, where the killer's entry keeps
// its name and unique id (the copy every event of the same player token
// shares, so that a count keyed by it needs no lookup by text), the weapon,
// NUL.
const char* killText(const PlayerEntry& killer, std::string_view weapon, StringArena& arena)
{
    if (!killer.name)
        return nullptr;
    const std::string_view name = killer.name;
    // Never null for tokens of a line: they are far below a block. Without
    // the detail the text would be read past its end, so no text at all.
    char* text = arena.allocate(name.size() + 1 + 1 + 2 * sizeof(const char*) + weapon.size() + 1);
    if (!text)
        return nullptr;
    char* at = text;
    const auto put = [&](std::string_view part) {
        if (!part.empty())
            std::memcpy(at, part.data(), part.size());
        at += part.size();
        *at++ = '\0';
    };
    put(name);
    *at++ = static_cast<char>('0' + killer.team);
    std::memcpy(at, &killer.name, sizeof(const char*));
    at += sizeof(const char*);
    std::memcpy(at, &killer.uniqueId, sizeof(const char*));
    at += sizeof(const char*);
    put(weapon);
    return text;
}

template <typename Tokens, typename ParsePlayer>
void recognizeTokens(std::int32_t time, Tokens& tokens, ParsePlayer parsePlayer, StringArena& arena,
                     EventList& events, bool allKinds)
{
    const std::string_view t0 = tokens.token(0);
    const std::string_view t1 = tokens.token(1);

    if (t0 == "Started map") {
        append(events, MapStarted, time, WorldIdentity, arena.copyString(t1));
        return;
    }

    // A chat text and a new name are a stranger's words, where a password
    // may be typed; a team's name is the server's.
    enum class Text { None, Server, Stranger };
    struct PlayerRule {
        std::string_view phrase;
        std::int32_t kind;
        Text text;
    };
    static constexpr PlayerRule playerRules[] = {
        {"connected, address", PlayerConnected, Text::None},
        {"disconnected", PlayerDisconnected, Text::None},
        {"entered the game", PlayerEntered, Text::None},
        {"joined team", TeamJoined, Text::Server},
        {"changed name to", NameChanged, Text::Stranger},
        {"say", Say, Text::Stranger},
        {"say_team", SayTeam, Text::Stranger},
    };
    for (const PlayerRule& rule : playerRules) {
        if (t1 != rule.phrase)
            continue;
        PlayerEntry player = parsePlayer(t0);
        if (rule.kind == PlayerConnected)
            player.addressKey = parseAddress(tokens.token(2));
        const std::string_view text = tokens.token(2);
        std::string hidden;
        append(events, rule.kind, time, player,
               rule.text == Text::None       ? nullptr
               : rule.text == Text::Stranger ? arena.copyString(hidingPasswords(text, hidden))
                                             : arena.copyString(text));
        return;
    }

    if (t0 == "Rcon:") {
        appendRconEvent(RconCommand, time, tokens, arena, events);
        return;
    }
    if (t0 == "Bad Rcon:") {
        appendRconEvent(BadRconCommand, time, tokens, arena, events);
        return;
    }
    if (t1 == "Round_Start") {
        append(events, RoundStarted, time, WorldIdentity, nullptr);
        return;
    }
    if (t0 == "Team" && tokens.token(2) == "triggered") {
        // Every kind asked for: the side's team code follows the text.
        char* score = arena.allocate(allKinds ? 10 : 9);
        appendScoreColumn(score, tokens.token(5));
        appendScoreColumn(score + 4, tokens.token(7));
        score[8] = '\0';
        if (allKinds)
            score[9] = static_cast<char>('0' + sideNamed(tokens.token(1)));
        append(events, TeamScore, time, WorldIdentity, score);
        return;
    }
    if (t1 == "killed") {
        // The victim is the event's player; of the killer only the name is kept.
        const std::string_view killer = t0;
        const PlayerEntry victim = parsePlayer(tokens.token(2));
        const PlayerEntry killerEntry = parsePlayer(killer);
        append(events, Killed, time, victim,
               allKinds ? killText(killerEntry, tokens.token(4), arena) : killerEntry.name);
        return;
    }
    if (t1 == "committed suicide with") {
        append(events, Suicide, time, parsePlayer(t0), nullptr);
        return;
    }
    if (!allKinds || t1 != "triggered")
        return;
    const std::string_view action = tokens.token(2);
    for (const TriggerRule& rule : playerTriggers) {
        if (action == rule.action) {
            append(events, rule.kind, time, parsePlayer(t0), nullptr);
            return;
        }
    }
}

} // namespace

void recognizeEvent(std::int32_t time, const TokenTable& tokens, StringArena& arena, EventList& events, bool allKinds)
{
    const auto parsePlayer = [&arena](std::string_view token) { return parsePlayerToken(token, arena); };
    recognizeTokens(time, tokens, parsePlayer, arena, events, allKinds);
}

void recognizeLine(std::int32_t time, std::string_view rest, TokenTable& tokens, int maxTokens,
                   PlayerTokenCache& players, StringArena& arena, EventList& events, bool allKinds)
{
    OnDemandTokens onDemand(rest, tokens, maxTokens);
    const auto parsePlayer = [&](std::string_view token) { return players.parse(token, arena); };
    recognizeTokens(time, onDemand, parsePlayer, arena, events, allKinds);
}

} // namespace zelkam
