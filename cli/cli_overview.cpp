#include "cli/cli_overview.h"

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_dates.h"
#include "cli/cli_json.h"
#include "cli/cli_servers.h"
#include "cli/cli_usage.h"
#include "cli/cli_warnings.h"
#include "replay/day_overview.h"
#include "replay/viewer_state.h"
#include "text/text_encoding.h"
#include "text/text_out.h"

namespace zelkam::cli {
namespace {

std::string minuteJson(std::size_t index, const OverviewMinute& minute)
{
    Json json = Json::object();
    json["minute"] = index;
    json["terrorists"] = minute.terrorists;
    json["cts"] = minute.cts;
    json["spectators"] = minute.spectators;
    json["kills"] = minute.kills;
    json["suicides"] = minute.suicides;
    json["chat"] = minute.chat;
    json["rcon"] = minute.rcon;
    json["badRcon"] = minute.badRcon;
    Json maps = Json::array();
    for (const std::string& map : minute.maps)
        maps.push_back(logTextToUtf8(map));
    json["maps"] = std::move(maps);
    return jsonLine(json);
}

std::string minuteCsv(std::size_t index, const OverviewMinute& minute)
{
    std::string maps;
    for (const std::string& map : minute.maps) {
        if (!maps.empty())
            maps += ';';
        appendLogTextAsUtf8(maps, map);
    }
    std::string row = std::to_string(index);
    for (std::int32_t value : {minute.terrorists, minute.cts, minute.spectators, minute.kills, minute.suicides,
                               minute.chat, minute.rcon, minute.badRcon})
        row += ',' + std::to_string(value);
    row += ',' + csvField(maps);
    return row;
}

} // namespace

int runOverview(const std::vector<std::string>& given)
{
    // --csv may stand anywhere.
    std::vector<std::string> operands = given;
    const bool csv = std::erase(operands, std::string("--csv")) > 0;
    if (!checkArguments("overview", operands, {"FOLDER", "DATE"}))
        return UsageError;
    std::string& folder = operands[0];
    if (!resolveServerFolder(folder))
        return UsageError;
    const std::string& date = operands[1];

    // Large: it lives on the heap.
    auto state = std::make_unique<ViewerState>();
    const FilesCutShortWarning warning(*state);
    state->loadFolder(folder);
    if (state->days().empty()) {
        complain("no logs in " + folder);
        return NothingToShow;
    }
    const std::optional<std::size_t> index = dayIndexOf(state->days(), date);
    if (!index) {
        complain(date + " is not a day of " + folder);
        return NothingToShow;
    }
    if (!state->loadDayAt(*index)) {
        complain("cannot read the logs of " + date);
        return NothingToShow;
    }

    const DayOverview overview = computeDayOverview(*state);
    if (csv)
        std::cout << "minute,terrorists,cts,spectators,kills,suicides,chat,rcon,badRcon,maps\r\n";
    for (std::size_t m = 0; m < overview.minutes.size(); ++m) {
        if (csv)
            std::cout << minuteCsv(m, overview.minutes[m]) << "\r\n";
        else
            std::cout << minuteJson(m, overview.minutes[m]) << '\n';
    }
    return Done;
}

} // namespace zelkam::cli
