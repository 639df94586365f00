#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "parse/log_event.h"
#include "parse/string_arena.h"
#include "parse/tokenizer.h"

namespace zelkam {

class PlayerTokenCache;

// Decides which kind of event the tokenised line is, by exact, case-sensitive
// comparison of whole tokens at fixed positions (first matching rule wins),
// and appends at most one event stamped with time. Names and texts are
// copied into the arena, the value of every password setting in a player's
// name, a chat text, a new name or a remote-console command hidden as
// hidePasswords hides it. Lines of no known kind are dropped silently. With
// allKinds the lines of kinds from 14 on make events too, and kills and team
// scores keep their detail (KillDetail, scoringTeamOf).
void recognizeEvent(std::int32_t time, const TokenTable& tokens, StringArena& arena, EventList& events,
                    bool allKinds = false);

// Tokenises a line rest (what follows the 25-character prefix) and
// recognises it, making only the tokens the rules read and parsing player
// tokens through the cache: the same event as tokenizeLine(rest, tokens,
// maxTokens) followed by recognizeEvent, except that a player's name may be
// shared with an earlier event of the same arena. tokens is left holding the
// tokens made.
void recognizeLine(std::int32_t time, std::string_view rest, TokenTable& tokens, int maxTokens,
                   PlayerTokenCache& players, StringArena& arena, EventList& events, bool allKinds = false);

// A player token: a name followed by three groups "<user id><WONID><team>".
// Only the last three groups count, so a name may itself hold "<" or ">".
// The team group "<CT>" gives CounterTerrorist, "<>" and "<SPECTATOR>" None,
// any other text Terrorist. With fewer than three groups the missing ids are
// 0 and the name is what stands before the leftmost "<" found (the whole
// token when there is none), with a password setting's value in it hidden
// as hidePasswords hides it. uniqueId is the text of the WONID group as
// logged ("STEAM_0:1:5", "BOT", "12345"), "" without that group. Name and
// id are copied into the arena (the name is null, the id "", when the token
// cannot be copied); addressKey, lifeState, frags and deaths are 0.
PlayerEntry parsePlayerToken(std::string_view token, StringArena& arena);

// The key of a network address: the first three dot-separated groups packed
// eight bits apart ("10.1.2.3:27005" gives (10 << 16) + (1 << 8) + 2). The
// port and the fourth group never count; characters other than digits and
// dots are ignored. Connections and remote-console senders compare keys
// only for equality, and both sides come from this same rule.
std::int32_t parseAddress(std::string_view text);

// The whole IPv4 address of "a.b.c.d" or "a.b.c.d:port", packed as
// (a << 24) + (b << 16) + (c << 8) + d; the port never counts, since a
// client picks a new one for each connection. 0 when the text before the
// port is not four groups of one to three digits, each at most 255.
std::uint32_t parseWholeAddress(std::string_view text);

// The command of a remote-console text "rcon <challenge> <password> <command>",
// split into words as the server does: runs of bytes from 0x01 to 0x20
// separate words (leading ones are skipped), and a double-quoted run may
// hold them.
// The command is the text from the first character of the fourth word to
// the end, so the password never shows however it is spaced or quoted.
// Empty optional when there is no fourth word.
std::optional<std::string_view> extractCommand(std::string_view text);

// A remote-console command with the value of every password setting in it
// (rcon_password, sv_password, sv_logsecret, in any letter case, quoted or
// not) replaced by "***", written into hidden. The name counts wherever it
// stands as a word of a command, words split as extractCommand splits them:
// the command itself, an argument of another (amx_cvar, alias, wrappers) or
// a word inside a quoted argument; everything after it up to the end of
// that command (";" outside quotes, the server runs the commands of a line
// one by one) is hidden. Here the bytes from 0x80 on separate words too
// ("rcon_password" followed by U+00A0 and a value hides the value). False,
// with hidden holding the command unchanged, when there was nothing to hide.
bool hidePasswords(std::string_view command, std::string& hidden);

} // namespace zelkam
