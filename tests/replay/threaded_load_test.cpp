// A day read on several threads must be the day read on one: the same
// events with the same texts, the same day bounds and snapshots, the same
// files reported cut short, and the same growth taken in when the server
// writes on. Every window read is forced onto threads here, however small.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "replay/viewer_state.h"
#include "tests/replay/view_summary.h"
#include "tests/support/compression.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "tools/loggen/log_generator.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

std::string text(const char* s) { return s ? "\"" + std::string(s) + "\"" : "null"; }

std::string playerText(const PlayerEntry& p)
{
    return text(p.name) + " " + std::to_string(p.userId) + " " + std::to_string(p.wonId) + " "
           + std::to_string(p.addressKey) + " " + std::to_string(p.team) + " " + std::to_string(p.lifeState) + " "
           + std::to_string(p.frags) + " " + std::to_string(p.deaths) + " " + text(p.uniqueId);
}

// Everything a load leaves that play, search and the views read, texts by
// value, one line each.
void record(const ViewerState& state, Strings& lines)
{
    lines.push_back("day " + std::to_string(state.dayStart()) + (state.isEmptyDay() ? " empty" : ""));
    if (!state.isEmptyDay()) {
        for (const LogEvent& e : state.events())
            lines.push_back(std::to_string(e.kind) + " " + std::to_string(e.time) + " " + playerText(e.player) + " "
                            + text(e.text));
        lines.push_back("bounds " + std::to_string(state.dayFirstEvent()) + " " + std::to_string(state.dayEndEvent())
                        + " " + std::to_string(state.lastEvent()));
        for (const Snapshot& s : state.snapshots()) {
            std::string line = "snapshot " + std::to_string(s.time) + " " + std::to_string(s.event) + " "
                               + text(s.mapName);
            for (std::size_t i = 0; i < s.playerCount; ++i)
                line += " [" + playerText(s.players[i]) + "]";
            lines.push_back(line);
        }
    }
    for (const auto& file : state.folder().filesCutShort())
        lines.push_back("cut short " + file.name + " " + std::to_string(static_cast<int>(file.end)) + " "
                        + std::to_string(file.delivered));
    lines.push_back("view " + viewSummary(state));
}

void appendTo(const fs::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << bytes;
}

// Loads every day of a copy of the folder, reading each window on `threads`
// threads with plain files cut into pieces of pieceBytes, then goes live on the newest day and takes in what the server
// writes next: whole lines and a half line into its newest file, then the
// rest of that line.
Strings loadEverything(const fs::path& folder, unsigned threads, std::uint64_t pieceBytes,
                       const std::string& newestFile, const std::string& newestDate)
{
    TempFolder copy;
    // File by file: the Windows runtime's copy of a folder refuses a
    // destination that exists.
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        fs::copy_file(entry.path(), copy.path() / entry.path().filename());
    auto state = std::make_unique<ViewerState>();
    state->setReadThreads(threads, 0, pieceBytes);
    Strings lines;
    lines.push_back(state->loadFolder(copy.string()) ? "loaded" : "not loaded");
    for (std::size_t d = 0; d < state->days().size(); ++d) {
        lines.push_back(state->loadDayAt(d) ? "day loaded" : "day not loaded");
        record(*state, lines);
    }
    if (state->goLive()) {
        const std::string line = lineAt(newestDate, "23:59:58", said("Late", 9, "CT", "still here"));
        appendTo(copy.path() / newestFile, line + line.substr(0, 30));
        lines.push_back(state->follow().grew ? "grew" : "did not grow");
        appendTo(copy.path() / newestFile, line.substr(30));
        lines.push_back(state->follow().grew ? "grew" : "did not grow");
        record(*state, lines);
    }
    return lines;
}

// Pieces of a few bytes cut lines everywhere, so line feeds fall at every
// place of a piece's reads.
using Ways = std::vector<std::pair<unsigned, std::uint64_t>>;

void expectSameOnAnyThreads(const fs::path& folder, const Ways& ways, const std::string& newestFile,
                            const std::string& newestDate)
{
    const Strings oneThread = loadEverything(folder, 1, WindowReader::DefaultPieceBytes, newestFile, newestDate);
    ASSERT_GT(oneThread.size(), 10u);
    for (const auto& [threads, pieceBytes] : ways) {
        SCOPED_TRACE(std::to_string(threads) + " threads, pieces of " + std::to_string(pieceBytes) + " bytes");
        const Strings threaded = loadEverything(folder, threads, pieceBytes, newestFile, newestDate);
        ASSERT_EQ(threaded.size(), oneThread.size());
        for (std::size_t i = 0; i < oneThread.size(); ++i)
            ASSERT_EQ(threaded[i], oneThread[i]) << "line " << i;
    }
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Generated days across the autumn clock change, a third of their files
// rotated into archives of the three formats.
TEST(ThreadedLoad, GeneratedDaysWithArchivesLoadAsOnOneThread)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder folder;
    LogGenOptions options;
    options.seed = 11;
    options.firstYear = 2001;
    options.firstMonth = 10;
    options.firstDay = 27;
    options.days = 3;
    options.linesPerDay = 4000;
    ASSERT_TRUE(generateLogFolder(folder.path(), options));

    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder.path()))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 6u);
    const std::string newest = files.back().filename().string();
    for (std::size_t i = 0; i + 1 < files.size(); ++i) {
        if (i % 3 != 1)
            continue;
        const std::string content = readAll(files[i]);
        const std::string name = files[i].filename().string();
        fs::remove(files[i]);
        if (i % 9 == 1)
            folder.write(name + ".gz", gzipped(content));
        else if (i % 9 == 4)
            folder.write(name + ".xz", xzCompressed(content, 1));
        else
            folder.write(name + ".zst", zstdCompressed(content));
    }
    expectSameOnAnyThreads(folder.path(), {{2, WindowReader::DefaultPieceBytes}, {3, 4096}, {8, 97}}, newest,
                           "10/29/2001");
}

// Files that trip line handling, dating and archives, side by side in one
// day: each file is read by whichever thread takes it, so what one file
// holds must never reach the parse of the next.
TEST(ThreadedLoad, HostileFilesLoadAsOnOneThread)
{
    ScopedTimeZone zone("UTC");
    const auto say = [](std::string_view time, std::string_view message) {
        return lineAt("07/06/2001", time, said("Ann", 1, "CT", message));
    };
    std::string crOnly = say("03:00:00", "first") + say("03:00:01", "second");
    for (char& c : crOnly)
        c = c == '\n' ? '\r' : c;
    const std::string huge(140000, 'x');
    std::string cutArchive = gzipped(say("05:00:00", "kept") + std::string(200000, 'y'));
    cutArchive.resize(cutArchive.size() / 2);

    TempFolder folder;
    folder.write("L0705000.log", lineAt("07/05/2001", "22:00:00", mapStarted("de_dust")) +
                                     lineAt("07/05/2001", "22:00:01", connected("Ann", 1, "10.0.0.1:27005")));
    folder.write("L0706000.log", say("01:00:00", "before") + std::string(8192, '\0') + say("01:05:00", "lost")
                                     + say("01:06:00", "after"));
    // A line cut at 255 characters right where a file ends, and a file whose
    // last line has no line end: neither may run on into the next file.
    folder.write("L0706001.log", say("02:00:00", huge));
    folder.write("L0706002.log", crOnly);
    folder.write("L0706003.log", say("04:00:00", "no line end").substr(0, 60));
    folder.write("L0706004.log.gz", cutArchive);
    folder.write("L0706005.log", say("06:00:00", std::string(40, 'L') + "Log file closed") + say("06:00:01", "ok")
                                     + lineAt("07/06/2001", "06:00:02", "Server cvar \"mp_timelimit\" = \"30\""));
    // Named for the day but begun the day after, and named for another day
    // but begun on this one: the reader dates both by their first lines.
    folder.write("L0706006.log", lineAt("07/07/2001", "00:30:00", said("Bob", 2, "TERRORIST", "next day")));
    folder.write("L0101000.log", say("07:00:00", "misnamed"));
    for (int i = 0; i < 40; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "L0706%03d.log", 100 + i);
        const std::string time = "08:" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ":00";
        folder.write(name, lineAt("07/06/2001", time, mapStarted("map" + std::to_string(i)))
                               + say(time, "small file " + std::to_string(i)));
    }
    folder.write("L0707000.log", lineAt("07/07/2001", "10:00:00", said("Bob", 2, "TERRORIST", "newest")));
    expectSameOnAnyThreads(folder.path(), {{8, WindowReader::DefaultPieceBytes}, {3, 1000}, {2, 61}},
                           "L0707000.log", "07/07/2001");
}

} // namespace
} // namespace zelkam
