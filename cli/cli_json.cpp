#include "cli/cli_json.h"

#include <nlohmann/json.hpp>

#include <cstdio>

#include "views/display_text.h"
#include "views/text_encoding.h"

namespace zelkam::cli {
namespace {


Json textOrNull(const char* text) { return text ? Json(logTextToUtf8(text)) : Json(nullptr); }

Json playerJson(const PlayerEntry& player)
{
    Json json = Json::object();
    json["name"] = textOrNull(player.name);
    json["userId"] = player.userId;
    json["wonId"] = player.wonId;
    json["uniqueId"] = logTextToUtf8(player.uniqueId ? player.uniqueId : "");
    json["addressKey"] = player.addressKey;
    json["team"] = player.team;
    json["lifeState"] = player.lifeState;
    json["frags"] = player.frags;
    json["deaths"] = player.deaths;
    return json;
}

// The code point of the UTF-8 sequence at text[i] when it is DEL, a C1
// control or a bidirectional control, with its length; 0 otherwise.
char32_t actingCharacterAt(const std::string& text, std::size_t i, std::size_t& length)
{
    const auto at = [&](std::size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    const unsigned b0 = at(i);
    if (b0 == 0x7F) {
        length = 1;
        return 0x7F;
    }
    if (b0 == 0xC2 && at(i + 1) >= 0x80 && at(i + 1) <= 0x9F) {
        length = 2;
        return at(i + 1);
    }
    if (b0 == 0xD8 && at(i + 1) == 0x9C) {
        length = 2;
        return 0x061C;
    }
    if (b0 == 0xE2 && (at(i + 1) == 0x80 || at(i + 1) == 0x81)) {
        const char32_t code = 0x2000 + ((at(i + 1) & 0x3F) << 6) + (at(i + 2) & 0x3F);
        if (isActingCharacter(code) && at(i + 2) >= 0x80) {
            length = 3;
            return code;
        }
    }
    return 0;
}

// Compact: no blanks. Every string was decoded to valid UTF-8 already, so
// the replacement handler never has anything to replace. The writer escapes
// only the C0 controls; DEL, the C1 controls and the bidirectional controls
// are escaped here too, so that a terminal showing the output acts on none
// of them. Outside strings JSON is ASCII, so every such character found is
// inside a string, where the escape means the same character.
std::string compact(const Json& json)
{
    const std::string text = json.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 0;
        const char32_t code = actingCharacterAt(text, i, length);
        if (code == 0) {
            out += text[i++];
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(code));
        out += escape;
        i += length;
    }
    return out;
}

} // namespace

std::string jsonLine(const Json& json) { return compact(json); }

std::string eventJson(const LogEvent& event, bool allKinds)
{
    Json json = Json::object();
    json["kind"] = event.kind;
    json["time"] = event.time;
    json["player"] = playerJson(event.player);
    json["text"] = textOrNull(event.text);
    if (allKinds && event.kind == Killed && event.text) {
        const KillDetail kill = killDetailOf(event);
        json["killerUniqueId"] = logTextToUtf8(kill.killerUniqueId);
        json["killerTeam"] = kill.killerTeam;
        json["weapon"] = logTextToUtf8(kill.weapon);
    } else if (allKinds && event.kind == TeamScore) {
        json["team"] = scoringTeamOf(event);
    }
    return compact(json);
}

std::string viewJson(std::string_view step, bool result, const ViewerState& state)
{
    Json json = Json::object();
    json["step"] = logTextToUtf8(step);
    json["result"] = result;
    json["clock"] = state.viewClock;
    json["minute"] = state.viewMinute;
    json["map"] = logTextToUtf8(state.viewMapName);
    json["ctScore"] = state.ctScore;
    json["tScore"] = state.tScore;
    json["speed"] = state.speed;
    json["rewinding"] = state.rewinding;
    Json players = Json::array();
    for (const PlayerEntry& player : state.viewPlayers)
        players.push_back(playerJson(player));
    json["players"] = std::move(players);
    Json chat = Json::array();
    for (const ChatLine& line : state.viewChatLines) {
        Json entry = Json::object();
        entry["time"] = line.time;
        entry["style"] = line.style;
        entry["text"] = logTextToUtf8(line.text);
        chat.push_back(std::move(entry));
    }
    json["chat"] = std::move(chat);
    return compact(json);
}

} // namespace zelkam::cli
