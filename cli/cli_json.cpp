#include "cli/cli_json.h"

#include <nlohmann/json.hpp>

#include "text/text_encoding.h"
#include "text/text_out.h"

namespace zelkam::cli {
namespace {

Json textOrNull(const char* text) { return text ? Json(logTextToUtf8(text)) : Json(nullptr); }

Json playerJson(const PlayerEntry& player, const AddressNames& addresses)
{
    Json json = Json::object();
    json["name"] = textOrNull(player.name);
    json["userId"] = player.userId;
    json["wonId"] = player.wonId;
    json["uniqueId"] = logTextToUtf8(player.uniqueId ? player.uniqueId : "");
    if (!addresses.hidesAddresses())
        json["addressKey"] = player.addressKey;
    else if (player.addressKey != NoAddressKey)
        json["address"] = addresses.textOf(player.addressKey);
    json["team"] = player.team;
    json["lifeState"] = player.lifeState;
    json["frags"] = player.frags;
    json["deaths"] = player.deaths;
    return json;
}

} // namespace

std::string jsonLine(const Json& json)
{
    // Compact: no blanks. Every string was decoded to valid UTF-8 already,
    // so the replacement handler never has anything to replace.
    return safeJson(json.dump(-1, ' ', false, Json::error_handler_t::replace));
}

std::string eventJson(const LogEvent& event, const AddressNames& addresses, bool allKinds)
{
    Json json = Json::object();
    json["kind"] = event.kind;
    json["time"] = event.time;
    json["player"] = playerJson(event.player, addresses);
    // A command or a chat message may hold a typed address.
    const bool freeText =
        event.kind == Say || event.kind == SayTeam || event.kind == RconCommand || event.kind == BadRconCommand;
    json["text"] = freeText && event.text ? Json(logTextToUtf8(addresses.textWithin(event.text))) : textOrNull(event.text);
    if (allKinds && event.kind == Killed && event.text) {
        const KillDetail kill = killDetailOf(event);
        json["killerUniqueId"] = logTextToUtf8(kill.killerUniqueId);
        json["killerTeam"] = kill.killerTeam;
        json["weapon"] = logTextToUtf8(kill.weapon);
    } else if (allKinds && event.kind == TeamScore) {
        json["team"] = scoringTeamOf(event);
    }
    return jsonLine(json);
}

std::string viewJson(std::string_view step, bool result, const ViewerState& state, const AddressNames& addresses)
{
    Json json = Json::object();
    json["step"] = logTextToUtf8(step);
    json["result"] = result;
    json["clock"] = state.viewClock();
    json["minute"] = state.viewMinute();
    json["map"] = logTextToUtf8(state.viewMapName());
    json["ctScore"] = state.live().ctScore;
    json["tScore"] = state.live().tScore;
    json["speed"] = state.speed();
    json["rewinding"] = state.rewinding();
    Json players = Json::array();
    for (const PlayerEntry& player : state.viewPlayers())
        players.push_back(playerJson(player, addresses));
    json["players"] = std::move(players);
    Json chat = Json::array();
    for (const ChatLine& line : state.viewChatLines()) {
        Json entry = Json::object();
        entry["time"] = line.time;
        entry["style"] = line.style;
        entry["text"] = logTextToUtf8(addresses.textWithin(line.text));
        chat.push_back(std::move(entry));
    }
    json["chat"] = std::move(chat);
    return jsonLine(json);
}

} // namespace zelkam::cli
