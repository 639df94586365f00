#include "replay/server_now.h"

#include <memory>

#include "ingest/log_file_list.h"
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

// Whether a listed log is one the server writes as plain text.
bool isPlainLog(std::string_view name)
{
    return name.size() > 4 && matchesFileNamePattern("*.log", name);
}

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
    LogFileList files;
    if (!scanFolder(utf8FromPath(serverFolder), files) || files.entries.size() == 0)
        return false;
    const std::string& newestName = files.entries[files.entries.size() - 1].name;
    std::string tail;
    if (!isPlainLog(newestName) || !readFileTail(files.pathOf(newestName), NowTailBytes, tail))
        return false;
    LogParser parser;
    parser.processLines(tail);
    auto state = std::make_unique<LiveState>();
    for (const LogEvent& event : parser.events())
        applyEvent(*state, event);
    for (std::size_t i = 0; i < state->roster.count; ++i) {
        switch (state->roster.entries[i].team) {
        case Team::Terrorist:
            ++now.terrorists;
            break;
        case Team::CounterTerrorist:
            ++now.cts;
            break;
        default:
            ++now.spectators;
            break;
        }
    }
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
