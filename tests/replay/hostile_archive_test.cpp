// Archived logs as careless copies, broken downloads and hostile uploads
// leave them, played through the whole model: an archive gives what the
// plain file of its content would, and nothing named like one may crash,
// hang or be read twice.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "replay/viewer_state.h"
#include "tests/support/compression.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

// What a folder gives through the model: whether it loads, its days, and
// the chat messages of the first day's window. Every path of playback,
// seeking and search then runs over it.
struct Outcome {
    bool loaded = false;
    std::vector<std::int32_t> days;
    Strings messages;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o)
{
    out << (o.loaded ? "loaded" : "not loaded") << ", " << o.days.size() << " days, messages";
    for (const std::string& m : o.messages)
        out << " [" << (m.size() > 40 ? m.substr(0, 40) + "...(" + std::to_string(m.size()) + ")" : m) << ']';
    return out;
}

Outcome outcomeOf(const TempFolder& folder)
{
    auto state = std::make_unique<ViewerState>();
    Outcome outcome;
    outcome.loaded = state->loadFolder(folder.string());
    outcome.days.assign(state->days().begin(), state->days().end());
    if (!state->isEmptyDay()) {
        for (const LogEvent& event : state->events()) {
            if (event.kind == Say || event.kind == SayTeam)
                outcome.messages.emplace_back(event.text);
        }
    }
    state->command(PlaybackCommand::Fastest);
    for (int i = 0; i < 1500 && state->tick(); ++i) {
    }
    for (int minute = -60; minute <= 1560; minute += 120)
        state->seekMinute(minute);
    for (int kind = 0; kind < 4; ++kind) {
        state->seekMinute(0);
        for (int hits = 0; hits < 10000 && state->find(static_cast<SearchKind>(kind), "", false); ++hits) {
        }
    }
    return outcome;
}

std::string sayAt(std::string_view time, std::string_view message)
{
    return lineAt("07/06/2001", time, said("Ann", 1, "CT", message));
}

// Content that trips line handling reads from an archive exactly as from
// the plain file, in every archive format.
TEST(HostileFolder, ArchivesOfOddContentReadAsTheirPlainFiles)
{
    ScopedTimeZone zone("UTC");
    const std::string nuls(8192, '\0');
    const std::string huge(4 << 20, 'x');
    std::string crOnly = sayAt("09:00:00", "first") + sayAt("09:00:01", "second");
    for (char& c : crOnly)
        c = c == '\n' ? '\r' : c;
    std::string noLineEnd = sayAt("09:00:00", "only");
    noLineEnd.pop_back();
    const std::pair<const char*, std::string> contents[] = {
        {"NUL bytes only", nuls},
        {"NUL padding of a crash", sayAt("09:00:00", "before") + nuls + sayAt("09:05:00", "lost") + sayAt("09:06:00", "after")},
        {"carriage returns only", crOnly},
        {"no line end at all", noLineEnd},
        {"a 4 MB line between two lines", sayAt("09:00:00", "before") + sayAt("09:00:01", huge) + sayAt("09:00:02", "after")},
        {"4 MB without a line end", sayAt("09:00:00", "before") + huge},
        {"a first line too short to date", "L 07/06/2001 - 09:00\n" + sayAt("09:00:00", "after")},
    };
    const std::pair<const char*, std::function<std::string(const std::string&)>> formats[] = {
        {".gz", [](const std::string& c) { return gzipped(c); }},
        {".xz", [](const std::string& c) { return xzCompressed(c, 1); }},
        {".zst", [](const std::string& c) { return zstdCompressed(c); }},
    };
    for (const auto& [what, content] : contents) {
        TempFolder plain;
        plain.write("L0706000.log", content);
        const Outcome expected = outcomeOf(plain);
        for (const auto& [suffix, archive] : formats) {
            SCOPED_TRACE(std::string(what) + " in " + suffix);
            TempFolder archived;
            archived.write(std::string("L0706000.log") + suffix, archive(content));
            EXPECT_EQ(outcomeOf(archived), expected);
        }
    }
}

// Things named like archives that are not sound archives, or not files.
// Each has one result, never a crash, a hang or a huge allocation.
TEST(HostileFolder, ThingsNamedLikeArchives)
{
    ScopedTimeZone zone("UTC");
    const std::int32_t july6 = localStamp(2001, 7, 6);
    const std::string sound = gzipped(sayAt("09:00:00", "sound"));
    // A zstd frame header asking for a window of 2 TiB, then a block.
    const std::string hugeWindow("\x28\xb5\x2f\xfd\x00\xf8\x01\x00\x00", 9);
    struct Case {
        const char* what;
        std::function<void(const TempFolder&)> write;
        Outcome expected;
    };
    const Case cases[] = {
        {"a FIFO named like an archive",
         [&](const TempFolder& f) {
             f.write("L0706000.log.gz", sound);
             ASSERT_EQ(mkfifo((f.path() / "L0706001.log.gz").c_str(), 0600), 0);
         },
         {true, {july6}, {"sound"}}},
        {"a directory named like an archive, holding one",
         [&](const TempFolder& f) {
             std::filesystem::create_directory(f.path() / "L0706000.log.xz");
             f.write("L0706000.log.xz/L0706001.log.gz", sound);
         },
         {false, {}, {}}},
        {"a link to an archive, a dangling link and a link loop",
         [&](const TempFolder& f) {
             f.write("L0706000.log.gz", sound);
             std::filesystem::create_symlink("L0706000.log.gz", f.path() / "L0706001.log.gz");
             std::filesystem::create_symlink("gone.log.gz", f.path() / "L0706002.log.gz");
             std::filesystem::create_symlink("L0706003.log.zst", f.path() / "L0706003.log.zst");
         },
         // The archive and the link to it are one file, read once.
         {true, {july6}, {"sound"}}},
        {"plain text named like an archive",
         [&](const TempFolder& f) { f.write("L0706000.log.gz", sayAt("09:00:00", "not gzip")); },
         {false, {}, {}}},
        {"an archive header asking for more memory than is allowed",
         [&](const TempFolder& f) {
             f.write("L0706000.log.zst", hugeWindow);
             f.write("L0706001.log.gz", sound);
         },
         {true, {july6}, {"sound"}}},
        {"an archive of an archive",
         [&](const TempFolder& f) { f.write("L0706000.log.gz", gzipped(sound)); },
         {false, {}, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        c.write(folder);
        EXPECT_EQ(outcomeOf(folder), c.expected);
    }
}

// An archive that changed between the scan and the day load: its day stays
// listed, and what is read is what is there then.
TEST(HostileFolder, ArchivesChangedAfterTheScan)
{
    ScopedTimeZone zone("UTC");
    const std::string content = sayAt("10:00:00", "second file") + sayAt("10:00:05", "more");
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> change;
        Strings messages;
    };
    const Case cases[] = {
        {"the archive vanished", [](const std::filesystem::path& file) { std::filesystem::remove(file); }, {"first file"}},
        {"the archive lost its checksum",
         [](const std::filesystem::path& file) { std::filesystem::resize_file(file, std::filesystem::file_size(file) - 8); },
         {"first file", "second file", "more"}},
        {"the archive was cut into its header",
         [](const std::filesystem::path& file) { std::filesystem::resize_file(file, 15); },
         {"first file"}},
        {"the archive became a FIFO",
         [](const std::filesystem::path& file) {
             std::filesystem::remove(file);
             mkfifo(file.c_str(), 0600);
         },
         {"first file"}},
        {"the archive was replaced by another's content",
         [](const std::filesystem::path& file) {
             std::ofstream(file, std::ios::binary | std::ios::trunc) << gzipped(sayAt("10:30:00", "replaced"));
         },
         {"first file", "replaced"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        folder.write("L0706000.log", sayAt("09:00:00", "first file"));
        const auto changed = folder.write("L0706001.log.gz", gzipped(content));
        auto state = std::make_unique<ViewerState>();
        ASSERT_TRUE(state->loadFolder(folder.string()));
        c.change(changed);
        EXPECT_TRUE(state->loadDayAt(0));
        Strings messages;
        for (const LogEvent& event : state->events())
            messages.emplace_back(event.text);
        EXPECT_EQ(messages, c.messages);
    }
}

} // namespace
} // namespace zelkam
