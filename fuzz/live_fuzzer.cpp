// A fuzzed folder that a server goes on writing while the replay model
// follows it: between steps whole and half lines are appended, files are
// added, rewritten, replaced, shortened, archived (beside the log, as
// "gzip -k" leaves it, or in its place), copied under the same name in other
// letter case, moved away and back, and removed, and the model plays on.
// Lines are stamped at fuzzed times on five dates, so stray stamps (a line
// hours or days away from its neighbours) come often; some stamps are no
// time at all (a day the month does not have, a minute with a letter).
// After each look at the folder the followed day must be what a fresh load
// of the folder shows, with the line still being written cut off: the same
// days, events, day positions and snapshots, and the same view after a seek
// to any second of the day.
//
// Input: the first byte is the length of the program, the program's bytes
// follow, and the rest is the folder (writeFuzzedFolder).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <zlib.h>

#include "fuzz/fuzz_support.h"
#include "replay/viewer_state.h"

using namespace zelkam;
namespace fs = std::filesystem;

namespace {

#define check(condition)                                                                     \
    do {                                                                                     \
        if (!(condition)) {                                                                  \
            std::fprintf(stderr, "live_fuzzer.cpp:%d: broken: %s\n", __LINE__, #condition); \
            __builtin_trap();                                                                \
        }                                                                                    \
    } while (false)

// The dates the fuzzed file names stand for, as a server stamps its lines.
const char* const lineDates[] = {"01/31/2001", "02/01/2001", "02/02/2001", "12/31/2000", "01/01/2001"};

// A log line stamped on one of those dates at a fuzzed second, its event
// text from the input.
std::string stampedLine(fuzz::FuzzProgram& program)
{
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "L %s - %02d:%02d:%02d: ", lineDates[program.byte() % 5],
                  program.byte() % 24, program.byte() % 60, program.byte() % 60);
    return prefix + std::string(program.text(program.byte() % 48));
}

// A line whose stamp is no time, which must be unreadable wherever it stands.
std::string unstampableLine(fuzz::FuzzProgram& program)
{
    const char* const stamps[] = {"02/30/2001 - 10:00:00", "01/31/2001 - 10:0a:00", "13/01/2001 - 10:00:00",
                                  "02/01/2001 - 24:00:00"};
    return "L " + std::string(stamps[program.byte() % 4]) + ": " + std::string(program.text(program.byte() % 48));
}

// The name in other letter case: "l0131000.LOG" for "L0131000.log".
std::string otherCase(const std::string& name)
{
    std::string other = name;
    for (char& c : other) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return other;
}

void append(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << bytes;
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The bytes as gzip stores them.
std::string gzipped(const std::string& bytes)
{
    z_stream stream{};
    if (deflateInit2(&stream, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return std::string();
    std::string archive(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(archive.data());
    stream.avail_out = static_cast<uInt>(archive.size());
    deflate(&stream, Z_FINISH);
    archive.resize(stream.total_out);
    deflateEnd(&stream);
    return archive;
}

bool sameEvent(const LogEvent& a, const LogEvent& b)
{
    const auto same = [](const char* x, const char* y) { return (!x && !y) || (x && y && std::strcmp(x, y) == 0); };
    return a.kind == b.kind && a.time == b.time && same(a.player.name, b.player.name)
        && a.player.userId == b.player.userId && a.player.wonId == b.player.wonId
        && a.player.addressKey == b.player.addressKey && a.player.team == b.player.team && same(a.text, b.text);
}

bool sameView(const ViewerState& a, const ViewerState& b)
{
    if (a.viewClock() != b.viewClock() || a.cursor() != b.cursor() || std::strcmp(a.viewMapName(), b.viewMapName()) != 0
        || a.live().ctScore != b.live().ctScore || a.live().tScore != b.live().tScore
        || a.viewPlayers().size() != b.viewPlayers().size() || a.viewChatLines().size() != b.viewChatLines().size())
        return false;
    for (std::size_t i = 0; i < a.viewPlayers().size(); ++i) {
        const PlayerEntry& p = a.viewPlayers()[i];
        const PlayerEntry& q = b.viewPlayers()[i];
        if (std::strcmp(p.name ? p.name : "", q.name ? q.name : "") != 0 || p.userId != q.userId
            || p.lifeState != q.lifeState || p.frags != q.frags || p.deaths != q.deaths || p.team != q.team)
            return false;
    }
    for (std::size_t i = 0; i < a.viewChatLines().size(); ++i) {
        if (a.viewChatLines()[i].time != b.viewChatLines()[i].time
            || std::strcmp(a.viewChatLines()[i].text, b.viewChatLines()[i].text) != 0)
            return false;
    }
    return true;
}

// The folder copied with its newest file's unterminated last line cut off.
void copyWithWholeLines(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    fs::remove_all(to, error);
    fs::create_directories(to, error);
    LogFileList listed;
    std::string newest = scanFolder(from.string(), listed) ? listed.entries.back().name : std::string();
    // An archive is never being written.
    if (compressionOfName(newest) != Compression::None)
        newest.clear();
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        std::string bytes = readAll(entry.path());
        if (entry.path().filename() == newest) {
            const std::size_t feed = bytes.rfind('\n');
            bytes.erase(feed == std::string::npos ? 0 : feed + 1);
        }
        std::ofstream(to / entry.path().filename(), std::ios::binary) << bytes;
    }
}

bool tracing()
{
    static const bool traced = std::getenv("ZELKAM_FUZZ_TRACE") != nullptr;
    return traced;
}

// Fuzzed text as it may reach a terminal: bytes outside printable ASCII as
// escapes.
std::string printable(const char* text)
{
    std::string shown;
    for (const char* at = text ? text : "-"; *at; ++at) {
        const auto byte = static_cast<unsigned char>(*at);
        if (byte >= 0x20 && byte < 0x7f) {
            shown += *at;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            shown += escape;
        }
    }
    return shown;
}

void showEvents(const ViewerState& state)
{
    for (const LogEvent& e : state.events())
        std::fprintf(stderr, "  %d %d %s\n", e.kind, e.time, printable(e.text).c_str());
}

void show(const char* what, const ViewerState& state)
{
    std::fprintf(stderr, "%s: days", what);
    for (std::int32_t day : state.days())
        std::fprintf(stderr, " %d", day);
    std::fprintf(stderr, "\n");
    for (const LogFileEntry& entry : state.folder().files().entries)
        std::fprintf(stderr, "  file %s %d\n", entry.name.c_str(), entry.startTime);
}

void checkSameAsFreshLoad(ViewerState& live, ViewerState& fresh)
{
    if (tracing()) {
        show("live", live);
        show("fresh", fresh);
        for (const ViewerState* state : {&live, &fresh}) {
            showEvents(*state);
            std::fprintf(stderr, "-- first %zu end %zu last %zu start %d\n", state->dayFirstEvent(),
                         state->dayEndEvent(), state->lastEvent(), state->dayStart());
        }
    }
    check(live.days().size() == fresh.days().size());
    for (std::size_t i = 0; i < live.days().size(); ++i)
        check(live.days()[i] == fresh.days()[i]);
    check(live.isEmptyDay() == fresh.isEmptyDay());
    if (live.isEmptyDay())
        return;
    check(live.events().size() == fresh.events().size());
    for (std::size_t e = 0; e < live.events().size(); ++e)
        check(sameEvent(live.events()[e], fresh.events()[e]));
    check(live.dayFirstEvent() == fresh.dayFirstEvent() && live.dayEndEvent() == fresh.dayEndEvent()
          && live.lastEvent() == fresh.lastEvent());
    check(live.snapshots().size() == fresh.snapshots().size());
    for (std::size_t i = 0; i < live.snapshots().size(); ++i) {
        const Snapshot& a = live.snapshots()[i];
        const Snapshot& b = fresh.snapshots()[i];
        check(a.time == b.time && a.event == b.event && a.playerCount == b.playerCount
              && std::strcmp(a.mapName, b.mapName) == 0);
        for (std::size_t p = 0; p < a.playerCount; ++p)
            check(a.players[p].userId == b.players[p].userId
                  && std::strcmp(a.players[p].name ? a.players[p].name : "",
                                 b.players[p].name ? b.players[p].name : "")
                      == 0);
    }
    const std::int32_t keptClock = live.clock();
    const std::int32_t keptSpeed = live.speed();
    for (std::size_t e = live.dayFirstEvent(); e < live.events().size() && e < live.dayFirstEvent() + 64; ++e) {
        for (std::int32_t offset = 0; offset < 2; ++offset) {
            live.seek(live.events()[e].time + offset);
            fresh.seek(live.events()[e].time + offset);
            check(sameView(live, fresh));
        }
    }
    live.seek(keptClock);
    // A seek keeps the playback mode.
    check(live.speed() == keptSpeed);
}

// One look at the folder after a step: the files as they are, what the look
// reported and the followed day's events.
void traceLook(int step, const fs::path& changed, const fs::path& folder, const LiveUpdate& update,
               const ViewerState& live)
{
    std::fprintf(stderr, "step %d on %s\n", step, changed.filename().string().c_str());
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        std::fprintf(stderr, "  %s, %ju bytes\n", entry.path().filename().string().c_str(),
                     static_cast<std::uintmax_t>(entry.file_size(error)));
    std::fprintf(stderr, "look: grew %d, days %d, view %d; growing %d, day %d%s\n", update.grew, update.daysChanged,
                 update.viewChanged, live.isGrowing(), live.dayStart(), live.isEmptyDay() ? " empty" : "");
    if (!live.isEmptyDay())
        showEvents(live);
}

enum Op : std::uint8_t {
    AppendLine,
    AppendHalf,
    WriteFile,
    ReplaceFile,
    Shorten,
    Remove,
    Play,
    Archive,
    AppendUnstampable,
    CaseTwin,
    MoveAwayAndBack,
    OpCount
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::useFuzzTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::ScratchFolder scratch;
    // Beside the scratch folder, which is the server's; removed at exit.
    static const struct FreshCopy {
        fs::path path;
        ~FreshCopy()
        {
            std::error_code error;
            fs::remove_all(path, error);
        }
    } fresher{scratch.path().string() + "-fresh"};
    const fs::path& copy = fresher.path;
    if (size == 0)
        return 0;
    const std::size_t programLength = data[0] < size - 1 ? data[0] : size - 1;
    fuzz::FuzzProgram program(data + 1, programLength);
    fuzz::writeFuzzedFolder(scratch, std::string_view(reinterpret_cast<const char*>(data) + 1 + programLength,
                                                      size - 1 - programLength));

    static ViewerState* const live = new ViewerState;
    static ViewerState* const fresh = new ViewerState;
    live->unload();
    if (!live->loadFolder(scratch.path().string()))
        return 0;
    // Follow the newest day, as a viewer watching the server would.
    live->loadDayAt(live->days().size() - 1);

    for (int steps = 0; steps < 24 && !program.done(); ++steps) {
        const fs::path file = scratch.path() / fuzz::FuzzedFileNames[program.byte() % fuzz::FuzzedFileNameCount];
        std::error_code error;
        switch (static_cast<Op>(program.byte() % OpCount)) {
        case AppendLine:
            append(file, stampedLine(program) + "\n");
            break;
        case AppendHalf:
            append(file, program.byte() % 2 ? stampedLine(program) : std::string(program.text(program.byte() % 16)));
            break;
        case WriteFile:
            // Written in place: the same file, other bytes.
            scratch.write(file.filename().string(), stampedLine(program) + "\n" + stampedLine(program));
            break;
        case ReplaceFile: {
            scratch.write("replacement.tmp", stampedLine(program) + "\n");
            fs::rename(scratch.path() / "replacement.tmp", file, error);
            break;
        }
        case Shorten: {
            const auto length = fs::file_size(file, error);
            if (!error)
                fs::resize_file(file, length * program.byte() / 256, error);
            break;
        }
        case Remove:
            fs::remove(file, error);
            break;
        case Play: {
            live->command(static_cast<PlaybackCommand>(program.byte() % 6));
            const int ticks = program.byte() % 8;
            for (int i = 0; i < ticks; ++i)
                live->tick();
            break;
        }
        case Archive: {
            // Its twin beside it, or rotated: the archive in its place.
            const std::string bytes = readAll(file);
            scratch.write(file.filename().string() + ".gz", gzipped(bytes));
            if (program.byte() % 2)
                fs::remove(file, error);
            break;
        }
        case AppendUnstampable:
            append(file, unstampableLine(program) + "\n");
            break;
        case CaseTwin:
            // A copy from a system that ignores letter case.
            scratch.write(otherCase(file.filename().string()), readAll(file));
            break;
        case MoveAwayAndBack: {
            // The model looks while the file is away, then it comes back
            // as it was.
            fs::rename(file, scratch.path() / "away.tmp", error);
            if (error)
                break;
            live->follow();
            fs::rename(scratch.path() / "away.tmp", file, error);
            break;
        }
        case OpCount:
            break;
        }

        const LiveUpdate update = live->follow();
        if (tracing())
            traceLook(steps, file, scratch.path(), update, *live);
        check(!update.folderGone);
        if (!live->isGrowing())
            continue;
        // Whatever the model shows must still be readable.
        for (const PlayerEntry& player : live->viewPlayers())
            check(!player.name || std::strlen(player.name) < 256);
        check(std::strlen(live->viewMapName()) < 256);
        check(live->isEmptyDay() || live->cursor() <= live->events().size());

        copyWithWholeLines(scratch.path(), copy);
        fresh->unload();
        fresh->loadFolder(copy.string());
        fresh->loadDay(live->dayStart());
        fresh->markGrowing();
        checkSameAsFreshLoad(*live, *fresh);
    }
    return 0;
}
