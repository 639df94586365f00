#include "state/event_application.h"

#include <cstring>

#include "parse/decimal.h"
#include "parse/sides.h"
#include "state/chat_lines.h"

namespace zelkam {

const PlayerEntry unknownPlayer = {"unknown", 0, 0, 0, Team::None, LifeState::Unknown, 0, 0};

namespace {

// Roster names compare in their first 31 characters only, so two names
// that agree that far are the same player.
constexpr std::size_t NameCompareLength = 31;

// A player joining within 25 seconds of the round start still plays the
// round; from 45 seconds on the round has surely gone on without them.
constexpr std::int64_t AliveJoinWindow = 25;
constexpr std::int64_t UnknownJoinWindow = 45;

const char* orEmpty(const char* text) { return text ? text : ""; }

// The standard decimal reading (leading blanks, optional sign, digits up to
// the first other character, 0 without digits) of one four-column score.
std::int32_t readScore(const char* piece)
{
    return decimalValue(std::string_view(piece, strnlen(piece, 4)));
}

void resetForNewConnection(PlayerEntry& entry)
{
    entry.team = Team::None;
    entry.lifeState = LifeState::Pending;
    entry.deaths = 0;
    entry.frags = 0;
}

void onMapStarted(LiveState& state, const LogEvent& event, ChatText)
{
    state.roster.count = 0;
    state.ctScore = 0;
    state.tScore = 0;
    state.mapName = orEmpty(event.text);
    // A new map starts its first round, as a seek to it does.
    state.roundStartTime = event.time;
}

void onPlayerConnected(LiveState& state, const LogEvent& event, ChatText)
{
    PlayerEntry* player = findOrAddPlayer(state, event.player);
    // An entry made before the connection (by a chat line, say) has no
    // address yet; the connection tells it.
    if (player->addressKey == NoAddressKey)
        player->addressKey = event.player.addressKey;
    if (player->addressKey == NoAddressKey) {
        // A bot, or an address the key rule cannot read: there is nothing
        // to tie a remote-console line to, so the ring is left alone.
        resetForNewConnection(*player);
        return;
    }
    auto& recent = state.recentPlayers;
    // The ring ties addresses to names for remote-console lines. A known
    // address moves to the front under the name it connects with now; a new
    // one goes in front, pushing out the oldest address when all 72 are taken.
    std::size_t known = recent.size();
    for (std::size_t i = 0; i < recent.size(); ++i) {
        if (recent[i].addressKey == player->addressKey) {
            known = i;
            break;
        }
    }
    if (known < recent.size()) {
        for (std::size_t i = known; i > 0; --i)
            recent[i] = recent[i - 1];
        recent[0] = event.player;
    } else {
        recent.pushFront(*player);
    }
    resetForNewConnection(*player);
}

void onPlayerDisconnected(LiveState& state, const LogEvent& event, ChatText text)
{
    PlayerEntry* player = findLeavingPlayer(state, event);
    if (!player)
        return;
    emitChatLine(state, *player, event.time, LeftGameLine, nullptr, text);
    Roster& roster = state.roster;
    *player = roster.entries[roster.count - 1];
    --roster.count;
}

void onPlayerEntered(LiveState& state, const LogEvent& event, ChatText)
{
    resetForNewConnection(*findOrAddPlayer(state, event.player));
}

void onTeamJoined(LiveState& state, const LogEvent& event, ChatText text)
{
    PlayerEntry* player = findOrAddPlayer(state, event.player);
    if (player->lifeState == LifeState::Pending) {
        const std::int64_t sinceRoundStart = std::int64_t{event.time} - state.roundStartTime;
        if (sinceRoundStart < AliveJoinWindow)
            player->lifeState = LifeState::Alive;
        else if (sinceRoundStart < UnknownJoinWindow)
            player->lifeState = LifeState::Unknown;
        else
            player->lifeState = LifeState::Dead;
    } else {
        // A change of team kills the player for the rest of the round.
        player->lifeState = LifeState::Dead;
    }
    player->team = sideOfJoin(event.text);
    emitChatLine(state, *player, event.time, JoinedTeamLine, nullptr, text);
}

void onNameChanged(LiveState& state, const LogEvent& event, ChatText text)
{
    PlayerEntry* player = findOrAddPlayer(state, event.player);
    // The line names the player by the name they had until now.
    emitChatLine(state, *player, event.time, NameChangeLine, event.text, text);
    const char* newName = orEmpty(event.text);
    player->name = newName;
    if (PlayerEntry* recent = findRecentByAddress(state, player->addressKey))
        recent->name = newName;
}

void onSay(LiveState& state, const LogEvent& event, ChatText text)
{
    emitChatLine(state, *findOrAddPlayer(state, event.player), event.time, SayLine, event.text, text);
}

void onSayTeam(LiveState& state, const LogEvent& event, ChatText text)
{
    emitChatLine(state, *findOrAddPlayer(state, event.player), event.time, SayTeamLine, event.text, text);
}

const PlayerEntry& rconSender(LiveState& state, const LogEvent& event)
{
    const PlayerEntry* sender = findRecentByAddress(state, event.player.addressKey);
    return sender ? *sender : unknownPlayer;
}

void onRconCommand(LiveState& state, const LogEvent& event, ChatText text)
{
    emitChatLine(state, rconSender(state, event), event.time, RconLine, event.text, text);
}

void onBadRconCommand(LiveState& state, const LogEvent& event, ChatText text)
{
    emitChatLine(state, rconSender(state, event), event.time, BadRconLine, event.text, text);
}

void onRoundStarted(LiveState& state, const LogEvent& event, ChatText) { state.roundStartTime = event.time; }

void onTeamScore(LiveState& state, const LogEvent& event, ChatText)
{
    // The text holds the counter-terrorist score in its first four columns
    // and the terrorist score in the next four.
    const char* text = orEmpty(event.text);
    state.ctScore = readScore(text);
    std::size_t firstPiece = 0;
    while (firstPiece < 4 && text[firstPiece] != '\0')
        ++firstPiece;
    state.tScore = readScore(text + firstPiece);
    Roster& roster = state.roster;
    for (std::size_t i = 0; i < roster.count; ++i) {
        if (roster.entries[i].lifeState != LifeState::Pending)
            roster.entries[i].lifeState = LifeState::Alive;
    }
}

void onKilled(LiveState& state, const LogEvent& event, ChatText)
{
    // The victim is looked up (and perhaps added) first: when the roster is
    // full, adding the victim overwrites entry 0, and a killer who stood
    // there is then no longer found.
    PlayerEntry* victim = findOrAddPlayer(state, event.player);
    victim->lifeState = LifeState::Dead;
    ++victim->deaths;
    PlayerEntry* killer = findPlayerByName(state, orEmpty(event.text));
    if (!killer)
        return;
    killer->frags += fragsOfKill(killer->team, victim->team);
}

void onSuicide(LiveState& state, const LogEvent& event, ChatText)
{
    PlayerEntry* player = findOrAddPlayer(state, event.player);
    player->lifeState = LifeState::Dead;
    --player->frags;
    ++player->deaths;
}

struct EventHandlerRow {
    std::int32_t kind;
    void (*handler)(LiveState&, const LogEvent&, ChatText);
};

// Indexed by the kind directly; the stored kind only documents the row.
constexpr EventHandlerRow eventHandlers[EventKindCount] = {
    {MapStarted, onMapStarted},
    {PlayerConnected, onPlayerConnected},
    {PlayerDisconnected, onPlayerDisconnected},
    {PlayerEntered, onPlayerEntered},
    {TeamJoined, onTeamJoined},
    {NameChanged, onNameChanged},
    {Say, onSay},
    {SayTeam, onSayTeam},
    {RconCommand, onRconCommand},
    {BadRconCommand, onBadRconCommand},
    {RoundStarted, onRoundStarted},
    {TeamScore, onTeamScore},
    {Killed, onKilled},
    {Suicide, onSuicide},
};

} // namespace

void applyEvent(LiveState& state, const LogEvent& event, ChatText text)
{
    if (event.kind < 0 || event.kind >= EventKindCount)
        return;
    eventHandlers[event.kind].handler(state, event, text);
}

bool alwaysAddsChatLine(std::int32_t kind)
{
    switch (kind) {
    case TeamJoined:
    case NameChanged:
    case Say:
    case SayTeam:
    case RconCommand:
    case BadRconCommand:
        return true;
    default:
        return false;
    }
}

void applyEventMasked(LiveState& state, const LogEvent& event, std::uint32_t mask, ChatText text)
{
    const std::uint32_t bit = static_cast<std::uint32_t>(event.kind) % 32;
    if ((mask >> bit) & 1u)
        applyEvent(state, event, text);
}

PlayerEntry* findPlayerByUserId(LiveState& state, std::int32_t userId)
{
    Roster& roster = state.roster;
    for (std::size_t i = 0; i < roster.count; ++i) {
        if (roster.entries[i].userId == userId)
            return &roster.entries[i];
    }
    return nullptr;
}

PlayerEntry* findLeavingPlayer(LiveState& state, const LogEvent& disconnect)
{
    PlayerEntry* player = findPlayerByUserId(state, disconnect.player.userId);
    // A server shutting down logs every player as leaving with no user id
    // and no unique id; such a line can only name its player.
    if (!player && disconnectsByNameOnly(disconnect))
        player = findPlayerByName(state, disconnect.player.name);
    return player;
}

PlayerEntry* findPlayerByName(LiveState& state, const char* name)
{
    // Every kill looks its killer up by name, so most entries are told apart
    // by their first byte before a whole comparison is made.
    const char* wanted = orEmpty(name);
    Roster& roster = state.roster;
    for (std::size_t i = 0; i < roster.count; ++i) {
        const char* known = orEmpty(roster.entries[i].name);
        if (known[0] == wanted[0] && std::strncmp(known, wanted, NameCompareLength) == 0)
            return &roster.entries[i];
    }
    return nullptr;
}

PlayerEntry* addPlayer(LiveState& state, const PlayerEntry& player)
{
    Roster& roster = state.roster;
    // A full roster gives up its first entry rather than refuse the player:
    // the newest activity is what the view should show.
    PlayerEntry* slot = roster.count < Roster::Capacity ? &roster.entries[roster.count++] : &roster.entries[0];
    *slot = player;
    return slot;
}

PlayerEntry* findOrAddPlayer(LiveState& state, const PlayerEntry& player)
{
    if (PlayerEntry* found = findPlayerByUserId(state, player.userId))
        return found;
    if (PlayerEntry* found = findPlayerByName(state, player.name))
        return found;
    return addPlayer(state, player);
}

PlayerEntry* findRecentByAddress(LiveState& state, std::int32_t key)
{
    if (key == NoAddressKey)
        return nullptr;
    auto& recent = state.recentPlayers;
    for (std::size_t i = 0; i < recent.size(); ++i) {
        if (recent[i].addressKey == key)
            return &recent[i];
    }
    return nullptr;
}

} // namespace zelkam
