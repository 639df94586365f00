#include "replay/server_now.h"

#include <memory>

#include "ingest/open_file.h"
#include "ingest/server_folders.h"
#include "parse/log_parser.h"
#include "parse/time_stamp.h"
#include "state/event_application.h"
#include "state/live_state.h"

namespace zelkam {
namespace {

// How much of the newest file is replayed: enough for the current map's
// roster and chat on a busy server, little enough to read 50 servers at once.
constexpr std::uint64_t NowTailBytes = 256 * 1024;

} // namespace

std::int32_t newestLineTime(std::string_view tail)
{
    std::size_t end = tail.size();
    while (end > 0) {
        const std::size_t start = tail.rfind('\n', end - 1);
        const std::size_t lineStart = start == std::string::npos ? 0 : start + 1;
        const std::string_view line(tail.data() + lineStart, end - lineStart);
        if (line.size() > TimeStampOffset) {
            const std::int32_t time = parseTimeStamp(line.substr(TimeStampOffset));
            if (time >= 0)
                return time;
        }
        if (start == std::string::npos)
            break;
        end = start;
    }
    return -1;
}

bool readServerNow(const std::filesystem::path& serverFolder, ServerNow& now)
{
    now = ServerNow();
    // The file written last is the one the server writes now: found by
    // its status alone, as dating every file by its first line costs a
    // server of thousands of files more than the whole look at its end.
    std::filesystem::path newest;
    std::int64_t modified = 0;
    std::string tail;
    if (!newestLogFile(serverFolder, true, newest, modified) || !readFileTail(newest, NowTailBytes, tail))
        return false;
    LogParser parser;
    parser.processLines(tail);
    auto state = std::make_unique<LiveState>();
    for (const LogEvent& event : parser.events())
        applyEvent(*state, event);
    const BlockCounts blocks = countBlocks(state->roster);
    now.terrorists = blocks.terrorists;
    now.cts = blocks.cts;
    now.spectators = blocks.spectators;
    now.map = state->mapName;
    if (state->chatLines.size() > 0) {
        const ChatLine& line = state->chatLines[state->chatLines.size() - 1];
        now.hasChat = true;
        now.chatTime = line.time;
        now.chat = line.text;
    }
    now.newestLine = newestLineTime(tail);
    return true;
}

} // namespace zelkam
