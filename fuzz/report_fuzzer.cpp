// A day of a server's players written by the input (see PlayersLog), loaded
// as the viewer loads it and written as the report page of a range of it,
// about everyone or about a player the input picks. The page must be
// whole UTF-8 without control characters, and no script, handler or markup
// a stranger's name, chat or command brought may reach it.

#include <string>

#include "fuzz/display_check.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/players_log.h"
#include "investigate/address_names.h"
#include "investigate/report_page.h"
#include "replay/viewer_state.h"

using namespace zelkam;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::useFuzzTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::ScratchFolder scratch;
    fuzz::FuzzProgram program(data, size);
    const std::uint8_t asked = program.byte();
    const std::uint8_t span = program.byte();
    const fuzz::PlayersLog log = fuzz::writePlayersLog(program);
    fuzz::writePlayersFolder(scratch, log);
    ViewerState state;
    if (!state.scanFolder(scratch.path().string()) || state.days().empty())
        return 0;
    if (!state.loadDayAt(asked % state.days().size()) || state.isEmptyDay())
        return 0;

    ReportRequest request;
    request.folder = scratch.path().string();
    request.server = reportServerName(request.folder);
    // From the day's first line, for a few minutes to the whole day.
    request.from = state.clock();
    request.to = request.from + (span < 128 ? span * 60 : 86399);
    if (asked & 0x40) {
        PlayerQuery query;
        query.byId = (asked & 0x20) != 0;
        query.text = query.byId ? "STEAM_0:1:1" : "al";
        request.player = query;
    }
    AddressNames addresses;
    if (asked & 0x80)
        addresses.usePseudonymKey({7});
    std::string page;
    writeReportPage(state, request, addresses, [&page](std::string_view piece) {
        page += piece;
        return true;
    });
    fuzz::checkHtmlPage(page);
    return 0;
}
