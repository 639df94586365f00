// Rotated logs archived by the admin's tools read exactly as the plain files
// they hold: the same days, the same events, and of a damaged archive the
// part that could be decoded.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ingest/log_folder.h"
#include "parse/text_pool.h"
#include "tests/support/compression.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "tools/loggen/log_generator.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

// Everything a folder gives through the reader: its days, and every event
// of each day's two-day window, all fields written out.
struct Reading {
    bool scanned = false;
    std::vector<std::int32_t> days;
    Strings events;
    bool operator==(const Reading&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Reading& r)
{
    out << (r.scanned ? "scanned" : "not scanned") << ", " << r.days.size() << " days, " << r.events.size()
        << " events";
    for (std::size_t i = 0; i < r.events.size() && i < 5; ++i)
        out << "\n  " << r.events[i];
    return out;
}

std::string describe(const LogEvent& e)
{
    std::ostringstream text;
    text << e.kind << ' ' << e.time << ' ' << (e.player.name ? e.player.name : "-") << ' ' << e.player.userId << ' '
         << e.player.wonId << ' ' << e.player.addressKey << ' ' << e.player.team << ' ' << (e.text ? e.text : "-");
    return text.str();
}

Reading readFolder(LogFolder& folder, const std::filesystem::path& path)
{
    Reading reading;
    reading.scanned = folder.buildDayIndex(path.string());
    if (!reading.scanned)
        return reading;
    reading.days.assign(folder.days().begin(), folder.days().end());
    for (std::int32_t day : reading.days) {
        const bool read = folder.readWindow(static_cast<std::int32_t>(addLocalDays(day, -1)), 2);
        reading.events.push_back(read ? "window" : "no window");
        for (const LogEvent& event : folder.events())
            reading.events.push_back(describe(event));
    }
    return reading;
}

Reading readFolder(const std::filesystem::path& path)
{
    LogFolder folder;
    return readFolder(folder, path);
}

std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The ways an admin's tools leave a log: as it is, or archived, in one
// piece or (concatenated, parallel or appended-to archives) in several.
struct Form {
    const char* suffix;
    std::function<std::string(const std::string&)> archive;
};

std::string inPieces(const std::string& content, const std::function<std::string(std::string_view)>& archive)
{
    // Cut in the middle of a line: the pieces join up again.
    const std::size_t cut = content.size() / 3;
    return archive(std::string_view(content).substr(0, cut)) + archive(std::string_view(content).substr(cut, 0))
           + archive(std::string_view(content).substr(cut));
}

const std::vector<Form>& forms()
{
    static const std::vector<Form> all = {
        {"", [](const std::string& c) { return c; }},
        {".gz", [](const std::string& c) { return gzipped(c); }},
        {".xz", [](const std::string& c) { return xzCompressed(c, 1); }},
        {".zst", [](const std::string& c) { return zstdCompressed(c); }},
        {".gz", [](const std::string& c) { return inPieces(c, [](std::string_view p) { return gzipped(p, 1); }); }},
        {".xz", [](const std::string& c) { return inPieces(c, [](std::string_view p) { return xzCompressed(p, 0); }); }},
        {".zst",
         [](const std::string& c) { return inPieces(c, [](std::string_view p) { return zstdCompressed(p, 1); }); }},
    };
    return all;
}

TEST(Archives, FolderOfMixedFormsReadsLikeThePlainFolder)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder plain;
    LogGenOptions options;
    options.seed = 11;
    options.days = 3;
    options.linesPerDay = 2000;
    options.maxPlayers = 12;
    ASSERT_TRUE(generateLogFolder(plain.path(), options));

    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(plain.path()))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), forms().size());

    TempFolder mixed;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string text = fileText(files[i]);
        // The listing does not decompress an archive to see whether its
        // last line runs past midnight (which would list the next day): a
        // file that does stays plain here.
        const std::size_t lastLine = text.rfind('\n', text.size() - 2);
        const bool crossesMidnight = text.compare(2, 10, text, lastLine + 3, 10) != 0;
        const Form& form = crossesMidnight ? forms()[0] : forms()[i % forms().size()];
        mixed.write(files[i].filename().string() + form.suffix, form.archive(text));
    }
    LogFolder folder;
    const Reading expected = readFolder(plain.path());
    ASSERT_TRUE(expected.scanned);
    EXPECT_EQ(readFolder(folder, mixed.path()), expected);
    EXPECT_TRUE(folder.filesCutShort().empty());
}

// A day's log of about 100 KB, chat lines of varied length.
std::string dayContent()
{
    std::string content;
    for (int i = 0; content.size() < 100000; ++i) {
        const std::string time = "20:" + std::to_string(10 + i / 600 % 50) + ":" + std::to_string(10 + i / 10 % 50);
        content += chatLineAt("07/06/2001", time, "line " + std::to_string(i) + std::string(i % 90, '.'));
    }
    return content;
}

// A damaged or cut archive reads as a plain file holding what the library
// decodes of it before the fault, and is reported as cut short; an empty
// file reads as an empty file, whatever its name.
TEST(Archives, DamagedArchivesReadAsTheirDecodablePart)
{
    ScopedTimeZone zone("UTC");
    const std::string content = dayContent();
    struct Format {
        const char* suffix;
        std::string archive;
        std::function<std::string(std::string_view)> atOnce;
    };
    const Format formats[] = {{".gz", gzipped(content), gunzipAtOnce},
                              {".xz", xzCompressed(content), unxzAtOnce},
                              {".zst", zstdCompressed(content), unzstdAtOnce}};
    struct Damage {
        const char* what;
        std::function<std::string(std::string)> apply;
        bool cutShort;
    };
    const Damage damages[] = {
        {"sound", [](std::string a) { return a; }, false},
        {"empty file", [](std::string) { return std::string(); }, false},
        {"cut after its header", [](std::string a) { return a.substr(0, 12); }, true},
        {"cut at a third", [](std::string a) { return a.substr(0, a.size() / 3); }, true},
        {"cut at two thirds", [](std::string a) { return a.substr(0, a.size() * 2 / 3); }, true},
        {"last byte missing", [](std::string a) { return a.substr(0, a.size() - 1); }, true},
        {"a byte changed in the middle",
         [](std::string a) {
             a[a.size() / 2] = static_cast<char>(a[a.size() / 2] ^ 0x5a);
             return a;
         },
         true},
        {"garbage after the end", [](std::string a) { return a + "not an archive\n"; }, true},
        {"not an archive at all", [&](std::string) { return chatLineAt("07/06/2001", "09:00:00", "text"); }, true},
    };
    for (const Format& format : formats) {
        for (const Damage& damage : damages) {
            SCOPED_TRACE(std::string(format.suffix) + ": " + damage.what);
            const std::string archive = damage.apply(format.archive);
            const std::string decoded = format.atOnce(archive);

            TempFolder damaged;
            TempFolder plain;
            damaged.write(std::string("L0706000.log") + format.suffix, archive);
            plain.write("L0706000.log", decoded);
            // A sound file besides, so the folder always has a day to read.
            damaged.write("L0706001.log", chatLineAt("07/06/2001", "23:00:00", "later"));
            plain.write("L0706001.log", chatLineAt("07/06/2001", "23:00:00", "later"));
            LogFolder folder;
            EXPECT_EQ(readFolder(folder, damaged.path()), readFolder(plain.path()));
            const bool listed = decoded.size() >= 25;
            EXPECT_EQ(folder.filesCutShort().size(), damage.cutShort && listed ? 1u : 0u);
            for (const auto& file : folder.filesCutShort()) {
                EXPECT_EQ(file.end, ReadEnd::Damaged);
                EXPECT_EQ(file.delivered, decoded.size());
            }
        }
    }
}

// An archive of a few kilobytes can expand without end. The reader stops
// each file at the output bound, reads what came before it and reports
// the file; content that ends exactly at the bound is whole.
TEST(Archives, OutputBoundStopsABomb)
{
    ScopedTimeZone zone("UTC");
    std::string content;
    while (content.size() < (1u << 20))
        content += chatLineAt("07/06/2001", "20:00:00", "again and again and again");
    const std::uint64_t bound = 100000;
    const std::pair<const char*, std::string> archives[] = {
        {".gz", gzipped(content)}, {".xz", xzCompressed(content, 1)}, {".zst", zstdCompressed(content)}};
    for (const auto& [suffix, archive] : archives) {
        SCOPED_TRACE(suffix);
        EXPECT_LT(archive.size(), content.size() / 100) << "bomb-shaped";
        TempFolder bomb;
        bomb.write(std::string("L0706000.log") + suffix, archive);
        TempFolder plain;
        plain.write("L0706000.log", content.substr(0, bound));
        LogFolder folder;
        folder.setOutputBound(bound);
        EXPECT_EQ(readFolder(folder, bomb.path()), readFolder(plain.path()));
        ASSERT_EQ(folder.filesCutShort().size(), 1u);
        EXPECT_EQ(folder.filesCutShort()[0].name, std::string("L0706000.log") + suffix);
        EXPECT_EQ(folder.filesCutShort()[0].end, ReadEnd::Bounded);
        EXPECT_EQ(folder.filesCutShort()[0].delivered, bound);

        LogFolder exact;
        exact.setOutputBound(content.size());
        plain.write("L0706000.log", content);
        EXPECT_EQ(readFolder(exact, bomb.path()), readFolder(plain.path()));
        EXPECT_TRUE(exact.filesCutShort().empty());
    }
}

// The archives of one window give at most the window's bound together, in
// reading order, on one thread or several alike; the archive the bound cuts
// into is reported as cut short. A file under further names is read once.
TEST(Archives, AWindowsArchivesStopTogetherAtItsBound)
{
    ScopedTimeZone zone("UTC");
    const auto mapContent = [](const char* time, const char* text) {
        std::string content = lineAt("07/06/2001", time, mapStarted("de_dust"));
        while (content.size() < 100000)
            content += chatLineAt("07/06/2001", time, text);
        return content;
    };
    const std::string first = mapContent("20:00:00", "first"), second = mapContent("20:10:00", "second"),
                      third = mapContent("20:20:00", "third"), fourth = mapContent("20:30:00", "plain");
    const std::uint64_t bound = first.size() + second.size() + 50000;
    TempFolder archived;
    archived.write("L0706000.log.gz", gzipped(first));
    archived.write("L0706001.log.xz", xzCompressed(second, 1));
    archived.write("L0706002.log.zst", zstdCompressed(third));
    archived.write("L0706003.log", fourth);
#ifndef _WIN32
    std::filesystem::create_symlink("L0706000.log.gz", archived.path() / "L0706009.log.gz");
    std::filesystem::create_hard_link(archived.path() / "L0706001.log.xz", archived.path() / "L0706008.log.xz");
#endif
    TempFolder plain;
    plain.write("L0706000.log", first);
    plain.write("L0706001.log", second);
    plain.write("L0706002.log", third.substr(0, 50000));
    plain.write("L0706003.log", fourth);
    const Reading expected = readFolder(plain.path());
    for (const unsigned threads : {1u, 4u}) {
        SCOPED_TRACE(threads);
        LogFolder folder;
        folder.setWindowBound(bound);
        folder.setReadThreads(threads, 0, 1 << 14);
        EXPECT_EQ(readFolder(folder, archived.path()), expected);
        ASSERT_EQ(folder.filesCutShort().size(), 1u);
        EXPECT_EQ(folder.filesCutShort()[0].name, "L0706002.log.zst");
        EXPECT_EQ(folder.filesCutShort()[0].end, ReadEnd::Bounded);
        EXPECT_EQ(folder.filesCutShort()[0].delivered, 50000u);
    }
}

// The window is read to show its last day: the day's own archives are served
// first, whatever cuts (the window's bound or the process's text pool), and
// the day before is the one cut and reported, with its day.
TEST(Archives, ADaysOwnArchivesAreNeverCutForTheDayBefore)
{
    ScopedTimeZone zone("UTC");
    std::string before;
    while (before.size() < 200000)
        before += chatLineAt("07/05/2001", "20:00:00", "yesterday");
    std::string own;
    for (int i = 0; i < 10; ++i)
        own += chatLineAt("07/06/2001", "10:00:00", ("own" + std::to_string(i)).c_str());
    TempFolder archived;
    archived.write("L0705000.log.xz", xzCompressed(before));
    archived.write("L0706000.log.xz", xzCompressed(own));
    const std::uint64_t bound = 100000;
    for (const bool byPool : {false, true}) {
        for (const unsigned threads : {1u, 4u}) {
            SCOPED_TRACE(std::string(byPool ? "pool" : "window bound") + " threads " + std::to_string(threads));
            const std::uint64_t processBound = TextPool::process().bound();
            if (byPool)
                TextPool::process().setBound(TextPool::process().held() + bound);
            {
                LogFolder folder;
                if (!byPool)
                    folder.setWindowBound(bound);
                folder.setReadThreads(threads, 0, 1 << 14);
                ASSERT_TRUE(folder.buildDayIndex(archived.string()));
                ASSERT_TRUE(folder.readWindow(localStamp(2001, 7, 5), 2));
                std::size_t ownLines = 0;
                for (const LogEvent& event : folder.events())
                    ownLines += std::string_view(event.text ? event.text : "").starts_with("own");
                EXPECT_EQ(ownLines, 10u);
                ASSERT_EQ(folder.filesCutShort().size(), 1u);
                EXPECT_EQ(folder.filesCutShort()[0].name, "L0705000.log.xz");
                EXPECT_EQ(folder.filesCutShort()[0].end, byPool ? ReadEnd::OverPool : ReadEnd::Bounded);
                EXPECT_EQ(folder.filesCutShort()[0].day, localStamp(2001, 7, 5));
                EXPECT_LE(folder.filesCutShort()[0].delivered, bound);
            }
            TextPool::process().setBound(processBound);
        }
    }
}

// A log and its twins (archived, or in other letter case) hold the same
// lines: exactly one is read, the plain file (which the server may still be
// writing), else .gz, .xz, .zst, the name in upper case first.
TEST(Archives, OneOfTwinsIsRead)
{
    ScopedTimeZone zone("UTC");
    const auto say = [](const char* text) { return chatLineAt("07/06/2001", "09:00:00", text); };
    struct File {
        const char* name;
        std::string bytes;
    };
    struct Case {
        const char* what;
        std::vector<File> files;
        Strings messages;
    };
    const Case cases[] = {
        {"plain and gzip", {{"L0706000.log", say("plain")}, {"L0706000.log.gz", gzipped(say("gz"))}}, {"plain"}},
        {"plain and every archive",
         {{"L0706000.log.zst", zstdCompressed(say("zst"))},
          {"L0706000.log.xz", xzCompressed(say("xz"))},
          {"L0706000.log", say("plain")},
          {"L0706000.log.gz", gzipped(say("gz"))}},
         {"plain"}},
        {"archives only", {{"L0706000.log.zst", zstdCompressed(say("zst"))}, {"L0706000.log.xz", xzCompressed(say("xz"))}},
         {"xz"}},
        {"an empty plain file still stands for its archive",
         {{"L0706000.log", ""}, {"L0706000.log.gz", gzipped(say("gz"))}, {"L0706001.log", say("other")}},
         {"other"}},
        {"a twin archive in other letter case",
         {{"L0706000.log", say("plain")}, {"L0706000.LOG.gz", gzipped(say("other case"))}},
         {"plain"}},
        {"plain twins in other letter case: upper case first",
         {{"l0706000.LOG", say("lower l")}, {"L0706000.log", say("upper L")}},
         {"upper L"}},
        {"archived twins in other letter case: .gz before .xz",
         {{"L0706000.LOG.xz", xzCompressed(say("xz"))}, {"L0706000.log.gz", gzipped(say("gz"))}},
         {"gz"}},
        {"suffixes in any letter case", {{"L0706000.log.GZ", gzipped(say("upper"))}}, {"upper"}},
        {"what is not a log name",
         {{"L0706000.log", say("plain")},
          {"L0706001.gz", gzipped(say("no .log"))},
          {"L0706002.log.gz.gz", gzipped(gzipped(say("twice")))},
          {"L0706003.log.bz2", say("other format")},
          {"L0706004.log.gzip", gzipped(say("other suffix"))}},
         {"plain"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        for (const File& file : c.files)
            dir.write(file.name, file.bytes);
        LogFolder folder;
        ASSERT_TRUE(folder.buildDayIndex(dir.string()));
        ASSERT_TRUE(folder.readWindow(localStamp(2001, 7, 5), 2));
        Strings messages;
        for (const LogEvent& event : folder.events())
            messages.emplace_back(event.text);
        EXPECT_EQ(messages, c.messages);
    }
}

} // namespace
} // namespace zelkam
