// Log folders as crashed servers, careless copies and odd clocks leave them,
// played through the whole model: every case has one defined result (a day
// or none, events or none) and none may crash or hang.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "replay/viewer_state.h"
#include "tests/replay/view_summary.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

std::vector<std::int32_t> daysOf(const ViewerState& state) { return {state.days().begin(), state.days().end()}; }

// The messages of the loaded window's chat events, in list order.
Strings messagesOf(const ViewerState& state)
{
    Strings messages;
    for (const LogEvent& event : state.events()) {
        if (event.kind == Say || event.kind == SayTeam)
            messages.emplace_back(event.text);
    }
    return messages;
}

// Every chat message of the day that find reaches, one hit after another
// from the day's first event (which find itself passes over). A hit stands
// just before the cursor.
Strings messagesFound(ViewerState& state)
{
    Strings found;
    while (state.find(SearchKind::Chat, "", false))
        found.emplace_back(state.events()[state.cursor() - 1].text);
    return found;
}

// Plays, rewinds, seeks and searches through the loaded day the way a user
// might, so that every path runs over the folder's events.
void playThrough(ViewerState& state)
{
    state.command(PlaybackCommand::Fastest);
    for (int i = 0; i < 1500 && state.tick(); ++i) {
    }
    state.command(PlaybackCommand::Rewind);
    for (int i = 0; i < 30 && state.tick(); ++i) {
    }
    for (int minute = -60; minute <= 1560; minute += 60)
        state.seekMinute(minute);
    for (int kind = 0; kind < 4; ++kind) {
        for (bool matchCase : {false, true}) {
            state.seekMinute(0);
            for (int hits = 0; hits < 10000 && state.find(static_cast<SearchKind>(kind), "", matchCase); ++hits) {
            }
        }
    }
}

// What a folder gives through the model: whether it loads, its days, and
// the chat messages of the first day's window.
struct Outcome {
    bool loaded = false;
    std::vector<std::int32_t> days;
    Strings messages;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o)
{
    out << (o.loaded ? "loaded" : "not loaded") << ", days";
    for (std::int32_t day : o.days)
        out << ' ' << day;
    out << ", messages";
    for (const std::string& m : o.messages)
        out << " [" << (m.size() > 40 ? m.substr(0, 40) + "...(" + std::to_string(m.size()) + ")" : m) << ']';
    return out;
}

Outcome outcomeOf(const std::filesystem::path& folder)
{
    auto state = std::make_unique<ViewerState>();
    Outcome outcome;
    outcome.loaded = state->loadFolder(folder.string());
    outcome.days = daysOf(*state);
    if (!state->isEmptyDay())
        outcome.messages = messagesOf(*state);
    playThrough(*state);
    return outcome;
}

std::string sayAt(std::string_view date, std::string_view time, std::string_view message)
{
    return lineAt(date, time, said("Ann", 1, "CT", message));
}

// What the content and names of a folder's files give. Each case has one
// result, never a crash or a hang: files that cannot be dated by a first
// line are left out, a line is its first 255 characters up to a NUL,
// carriage return or line feed, and the rest of a physical line is dropped.
TEST(HostileFolder, FilesOfOddContentAndNames)
{
    ScopedTimeZone zone("UTC");
    const std::string nuls(8192, '\0');
    const std::string huge(4 << 20, 'x');
    const std::int32_t july6 = localStamp(2001, 7, 6);
    const std::int32_t july7 = localStamp(2001, 7, 7);
    // What a 255-character line keeps of a say message.
    const std::size_t keptOfMessage = 255 - sayAt("07/06/2001", "09:00:00", "").size() + 2;

    struct Case {
        const char* what;
        std::function<void(const TempFolder&)> write;
        Outcome expected;
    };
    const Case cases[] = {
        {"empty files only",
         [](const TempFolder& f) {
             f.write("L0706000.log", "");
             f.write("L0706001.log", "");
         },
         {false, {}, {}}},
        {"a file of NUL bytes",
         [&](const TempFolder& f) { f.write("L0706000.log", nuls); },
         {false, {}, {}}},
        {"NUL padding of a crash, then a new line on the same physical line: that line is lost",
         [&](const TempFolder& f) {
             f.write("L0706000.log", sayAt("07/06/2001", "09:00:00", "before") + nuls
                                         + sayAt("07/06/2001", "09:05:00", "lost") + sayAt("07/06/2001", "09:06:00", "after"));
         },
         {true, {july6}, {"before", "after"}}},
        {"NUL padding ended by a line feed",
         [&](const TempFolder& f) {
             f.write("L0706000.log", sayAt("07/06/2001", "09:00:00", "before") + nuls + "\n"
                                         + sayAt("07/06/2001", "09:05:00", "after"));
         },
         {true, {july6}, {"before", "after"}}},
        {"a NUL inside a line cuts it there",
         [&](const TempFolder& f) {
             f.write("L0706000.log", sayAt("07/06/2001", "09:00:00", std::string("cut\0off", 7)));
         },
         {true, {july6}, {"cut"}}},
        {"carriage returns only: one physical line, its first line counts",
         [&](const TempFolder& f) {
             std::string text = sayAt("07/06/2001", "09:00:00", "first") + sayAt("07/06/2001", "09:00:01", "second");
             for (char& c : text)
                 c = c == '\n' ? '\r' : c;
             f.write("L0706000.log", text);
         },
         {true, {july6}, {"first"}}},
        {"no line end at all",
         [&](const TempFolder& f) {
             std::string text = sayAt("07/06/2001", "09:00:00", "only");
             text.pop_back();
             f.write("L0706000.log", text);
         },
         {true, {july6}, {"only"}}},
        {"a 4 MB line between two lines",
         [&](const TempFolder& f) {
             f.write("L0706000.log", sayAt("07/06/2001", "09:00:00", "before") + sayAt("07/06/2001", "09:00:01", huge)
                                         + sayAt("07/06/2001", "09:00:02", "after"));
         },
         {true, {july6}, {"before", std::string(keptOfMessage, 'x'), "after"}}},
        {"a 4 MB first line",
         [&](const TempFolder& f) {
             f.write("L0706000.log", sayAt("07/06/2001", "09:00:00", huge) + sayAt("07/06/2001", "09:00:01", "after"));
         },
         {true, {july6}, {std::string(keptOfMessage, 'x'), "after"}}},
        {"4 MB without a line end closing the file",
         [&](const TempFolder& f) { f.write("L0706000.log", sayAt("07/06/2001", "09:00:00", "before") + huge); },
         {true, {july6}, {"before"}}},
        {"names of L*.log that are not dates are dated by their first lines",
         [&](const TempFolder& f) {
             f.write("L.log", sayAt("07/06/2001", "09:00:00", "L"));
             f.write("Lbackup.log", sayAt("07/06/2001", "10:00:00", "backup"));
             f.write("L9999999.log", sayAt("07/06/2001", "11:00:00", "nines"));
             f.write("l0101000.LOG", sayAt("07/07/2001", "09:00:00", "other case"));
             f.write("L0706000.log.bak", sayAt("07/06/2001", "12:00:00", "not a log"));
             f.write("xL0706000.log", sayAt("07/06/2001", "12:00:00", "not a log"));
         },
         {true, {july6, july7}, {"L", "backup", "nines"}}},
        {"a directory named like a log file, holding a log",
         [&](const TempFolder& f) {
             std::filesystem::create_directory(f.path() / "L0706000.log");
             f.write("L0706000.log/L0706001.log", sayAt("07/06/2001", "09:00:00", "inside"));
         },
         {false, {}, {}}},
        {"a symbolic link loop and a dangling link named like logs",
         [&](const TempFolder& f) {
             std::filesystem::create_symlink("L0706001.log", f.path() / "L0706000.log");
             std::filesystem::create_symlink("L0706000.log", f.path() / "L0706001.log");
             std::filesystem::create_symlink("missing", f.path() / "L0706002.log");
         },
         {false, {}, {}}},
        {"a file whose first line is of another year",
         [&](const TempFolder& f) {
             f.write("L0706000.log", sayAt("07/06/2000", "09:00:00", "a year ago") + sayAt("07/06/2001", "09:00:00", "now"));
         },
         {true, {localStamp(2000, 7, 6)}, {"a year ago", "now"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        c.write(folder);
        EXPECT_EQ(outcomeOf(folder.path()), c.expected);
    }
}

// A file whose first line dates it to another year than its other lines:
// the day of its first line is listed, and the rest lies past that day's end:
// the end of the day is the first of them, and search never reaches them.
TEST(HostileFolder, LinesOfAnotherYearThanTheFirstLieBeyondTheDay)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", sayAt("07/06/2000", "09:00:00", "a year ago") + sayAt("07/06/2001", "09:00:00", "now")
                                     + sayAt("07/06/2001", "09:00:10", "later"));
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    EXPECT_EQ(state->viewClock(), localStamp(2000, 7, 6, 9));
    EXPECT_FALSE(state->find(SearchKind::Chat, "now", false));
    state->seek(std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(state->viewClock(), localStamp(2001, 7, 6, 9));
    state->command(PlaybackCommand::Fastest);
    EXPECT_TRUE(state->tick());
    EXPECT_EQ(state->viewClock(), localStamp(2001, 7, 6, 9, 0, 11)) << "play runs on past the last event";
    EXPECT_EQ(chatTexts(*state), (Strings{"*DEAD*Ann : now", "*DEAD*Ann : later"}));
}

// A server writes one file per map; a busy day of a server restarted often,
// or a folder of many small copies, lists thousands of files for one day.
TEST(HostileFolder, ThousandsOfFilesOfOneDayAreReadInTimeOrder)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    constexpr int files = 2000;
    char name[32];
    char time[16];
    for (int i = 0; i < files; ++i) {
        // Written in reverse, so neither the directory's order nor the
        // names' order is the time order.
        const int second = files - 1 - i;
        std::snprintf(name, sizeof name, "L0706%04d.log", i);
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", 9 + second / 3600, second / 60 % 60, second % 60);
        folder.write(name, sayAt("07/06/2001", time, std::to_string(second)));
    }
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_EQ(daysOf(*state), std::vector<std::int32_t>{localStamp(2001, 7, 6)});
    ASSERT_EQ(state->events().size(), static_cast<std::size_t>(files));
    for (int i = 0; i < files; ++i)
        ASSERT_EQ(state->events()[i].time, localStamp(2001, 7, 6, 9) + i) << i;
    state->seekMinute(9 * 60 + 30);
    EXPECT_EQ(chatTexts(*state).back(), "*DEAD*Ann : 1799");
}

// Time stamps that go back: events stay in the order of their lines. Play
// applies every event stamped before the clock, so a line stamped earlier
// than the one before it is applied right after that one; a seek rebuilds
// the same way.
TEST(HostileFolder, StampsOutOfOrderKeepTheirLinesOrder)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", roundStarted())
                                     .at("10:00:10", said("Ann", 1, "CT", "ten"))
                                     .at("10:00:05", said("Ann", 1, "CT", "five"))
                                     .at("10:00:20", said("Ann", 1, "CT", "twenty"))
                                     .at("10:05:00", roundStarted())
                                     .text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    state->seek(localStamp(2001, 7, 6, 10, 0, 8));
    EXPECT_TRUE(chatTexts(*state).empty()) << "the seek stops at the first line not yet due";
    state->command(PlaybackCommand::Play);
    for (int i = 0; i < 3; ++i)
        state->tick();
    EXPECT_EQ(chatTexts(*state), (Strings{"*DEAD*Ann : ten", "*DEAD*Ann : five"}));
    const std::string played = viewSummary(*state);
    state->seek(state->clock());
    EXPECT_EQ(viewSummary(*state), played);
    state->seekMinute(0);
    EXPECT_TRUE(state->find(SearchKind::Chat, "five", false));
}

// A server whose clock was set back during the day: its last line is stamped
// before its first. The seek's clamp (not before the first event, then not
// after the day's end, a second past its last event) then puts the clock
// there, before the first event; play cannot pass it. The events are loaded and search reaches
// them all.
TEST(HostileFolder, ClockSetBackBelowTheFirstLinePinsPlayToTheDaysEnd)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("20:00:00", mapStarted("de_dust"))
                                     .at("20:10:00", said("Ann", 1, "CT", "before"))
                                     .at("19:05:00", said("Ann", 1, "CT", "set back"))
                                     .at("19:30:00", roundStarted())
                                     .text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    const std::int32_t end = localStamp(2001, 7, 6, 19, 30) + 1;
    EXPECT_EQ(state->viewClock(), end);
    state->command(PlaybackCommand::Fastest);
    EXPECT_TRUE(state->tick());
    EXPECT_EQ(state->viewClock(), end);
    EXPECT_STREQ(state->viewMapName(), "");
    EXPECT_TRUE(state->find(SearchKind::Chat, "set back", false));
    EXPECT_STREQ(state->viewMapName(), "de_dust");
}

// A map start stamped a little before the day's first line (the server's
// clock set back early in the day): a seek to the day's start stands where
// the load does, at the first line, and plays every line from there as the
// log has them. It once chose its restart point by that earlier stamp, past
// the first line, and the lines before the map start were never played: a
// seek to the day's start, the chat transcript and the audit of commands
// (which replay a day from its start) left them out.
TEST(HostileFolder, AMapStartStampedBeforeTheFirstLineSkipsNoLine)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0705000.log", LogText("07/05/2001").at("23:00:00", said("Ann", 1, "CT", "the day before")).text());
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:30", said("Ann", 1, "CT", "first"))
                                     .at("10:00:00", mapStarted("de_dust"))
                                     .at("10:00:05", said("Ann", 1, "CT", "after the map"))
                                     .at("10:05:00", said("Ann", 1, "CT", "later"))
                                     .text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_TRUE(state->loadDayAt(1));
    EXPECT_EQ(state->viewClock(), localStamp(2001, 7, 6, 10, 0) + 30);
    EXPECT_EQ(state->cursor(), 1u);
    for (const bool sought : {false, true}) {
        SCOPED_TRACE(sought ? "sought" : "loaded");
        if (sought) {
            state->seekMinute(10 * 60);
            EXPECT_EQ(state->cursor(), 1u);
            EXPECT_STREQ(state->viewMapName(), "");
        }
        // One second on, the first line, the map start and the line after
        // it are played, in the log's order.
        state->command(PlaybackCommand::Play);
        EXPECT_TRUE(state->tick());
        state->command(PlaybackCommand::Pause);
        EXPECT_EQ(state->cursor(), 4u);
        EXPECT_STREQ(state->viewMapName(), "de_dust");
        EXPECT_EQ(chatTexts(*state), (Strings{"*DEAD*Ann : first", "*DEAD*Ann : after the map"}));
    }
}

// Where the clocks go back, the hour after the change repeats the stamps of
// the hour before; a stamp there reads as its earlier occurrence, so those
// lines go back an hour in time. The day is listed once; play applies them
// right after the line before them. A stamp in the hour skipped in spring
// reads an hour later.
TEST(HostileFolder, StampsAcrossAClockChange)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder folder;
    folder.write("L1028000.log", LogText("10/28/2001")
                                     .at("02:30:00", said("Ann", 1, "CT", "first pass"))
                                     .at("02:50:00", said("Ann", 1, "CT", "late first pass"))
                                     .at("02:10:00", said("Ann", 1, "CT", "second pass"))
                                     .at("03:10:00", roundStarted())
                                     .text());
    folder.write("L0325000.log", LogText("03/25/2001").at("02:30:00", said("Ann", 1, "CT", "in the gap")).text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_EQ(daysOf(*state), (std::vector<std::int32_t>{localStamp(2001, 3, 25), localStamp(2001, 10, 28)}));
    EXPECT_EQ(state->events()[0].time, localStamp(2001, 3, 25, 3, 30));

    ASSERT_TRUE(state->loadDayAt(1));
    const std::int32_t firstPass = localStamp(2001, 10, 28, 0, 0) + 2 * 3600 + 30 * 60;
    ASSERT_EQ(state->events().size(), 4u);
    EXPECT_EQ(state->events()[0].time, firstPass);
    EXPECT_EQ(state->events()[1].time, firstPass + 20 * 60);
    EXPECT_EQ(state->events()[2].time, firstPass - 20 * 60) << "the earlier 02:10";
    EXPECT_EQ(state->events()[3].time, firstPass + 3600 + 40 * 60) << "03:10 is after the change";
    state->seek(firstPass + 20 * 60 + 1);
    EXPECT_EQ(chatTexts(*state), (Strings{"*DEAD*Ann : late first pass", "*DEAD*Ann : second pass"}));
}

// Servers write, rotate and delete logs while the viewer has the folder
// open. A day's files are dated again by their first lines when the day is
// read: a file that can no longer be dated leaves the day's window, one that
// cannot be opened is passed over, and what a file holds at the read is read.
TEST(HostileFolder, FilesChangedBetweenTheScanAndTheRead)
{
    ScopedTimeZone zone("UTC");
    const std::string first = sayAt("07/06/2001", "09:00:00", "first file");
    const std::string second = sayAt("07/06/2001", "10:00:00", "second file") + sayAt("07/06/2001", "10:00:05", "more");
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> change;
        bool loaded;
        Strings messages;
    };
    const Case cases[] = {
        {"the second file vanished",
         [](const std::filesystem::path& file) { std::filesystem::remove(file); },
         true,
         {"first file"}},
        {"the second file shrank into its first line",
         [](const std::filesystem::path& file) { std::filesystem::resize_file(file, 56); },
         true,
         {"first file", "secon"}},
        {"the second file shrank below a time stamp",
         [](const std::filesystem::path& file) { std::filesystem::resize_file(file, 23); },
         true,
         {"first file"}},
        {"the second file grew",
         [&](const std::filesystem::path& file) {
             std::ofstream(file, std::ios::binary | std::ios::app) << sayAt("07/06/2001", "10:30:00", "appended");
         },
         true,
         {"first file", "second file", "more", "appended"}},
        {"the second file became a directory",
         [](const std::filesystem::path& file) {
             std::filesystem::remove(file);
             std::filesystem::create_directory(file);
         },
         true,
         {"first file"}},
        {"the second file became a link loop",
         [](const std::filesystem::path& file) {
             std::filesystem::remove(file);
             std::filesystem::create_symlink(file.filename(), file);
         },
         true,
         {"first file"}},
        {"the day's first file vanished",
         [](const std::filesystem::path& file) { std::filesystem::remove(file.parent_path() / "L0706000.log"); },
         true,
         {"second file", "more"}},
        {"both files vanished: the day cannot be read",
         [](const std::filesystem::path& file) {
             std::filesystem::remove(file);
             std::filesystem::remove(file.parent_path() / "L0706000.log");
         },
         false,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        folder.write("L0706000.log", first);
        const auto changed = folder.write("L0706001.log", second);
        auto state = std::make_unique<ViewerState>();
        ASSERT_TRUE(state->loadFolder(folder.string()));
        c.change(changed);
        EXPECT_EQ(state->loadDayAt(0), c.loaded);
        EXPECT_EQ(state->isEmptyDay(), !c.loaded);
        EXPECT_EQ(daysOf(*state), std::vector<std::int32_t>{localStamp(2001, 7, 6)}) << "the days stay as scanned";
        EXPECT_EQ(state->isEmptyDay() ? Strings{} : messagesOf(*state), c.messages);
        playThrough(*state);
    }
}

// Runs body where a file of mode 000 cannot be opened, and returns what it
// returns: in this process when it runs unprivileged, otherwise in a child
// that first becomes the unprivileged user 65534 (the superuser reads any
// file), with folder handed to that user so the body can write there. None
// when the child cannot drop its privileges.
std::optional<std::string> withoutPrivileges(const TempFolder& folder, const std::function<std::string()>& body)
{
    if (geteuid() != 0)
        return body();
    constexpr uid_t nobody = 65534;
    if (chown(folder.path().c_str(), nobody, nobody) != 0)
        return std::nullopt;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0)
            _exit(77);
        const std::string result = body();
        for (std::size_t written = 0; written < result.size();) {
            const ssize_t n = write(pipeEnds[1], result.data() + written, result.size() - written);
            if (n <= 0)
                _exit(1);
            written += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(pipeEnds[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return result;
}

std::string joined(const Strings& texts)
{
    std::string text;
    for (const std::string& t : texts)
        text += "[" + t + "]";
    return text;
}

constexpr const char* ReadableAnyway = "mode 000 does not stop reading here";

// A file the viewer may not read (copied from another account, or a server
// that writes with a restrictive mask) is left out when the folder is
// scanned, and passed over when it becomes unreadable after the scan.
TEST(HostileFolder, FilesThatCannotBeOpened)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    const auto result = withoutPrivileges(folder, [&] {
        folder.write("L0706000.log", sayAt("07/06/2001", "09:00:00", "readable"));
        const auto locked = folder.write("L0706001.log", sayAt("07/06/2001", "10:00:00", "locked"));
        const auto lockedDay = folder.write("L0707000.log", sayAt("07/07/2001", "10:00:00", "locked day"));
        const auto lockedLater = folder.write("L0706002.log", sayAt("07/06/2001", "11:00:00", "locked later"));
        chmod(locked.c_str(), 0);
        chmod(lockedDay.c_str(), 0);
        if (std::FILE* file = std::fopen(locked.c_str(), "rb")) {
            std::fclose(file);
            return std::string(ReadableAnyway);
        }
        auto state = std::make_unique<ViewerState>();
        std::string text = state->loadFolder(folder.string()) ? "loaded" : "not loaded";
        text += " days=" + std::to_string(state->days().size()) + " " + joined(messagesOf(*state));
        chmod(lockedLater.c_str(), 0);
        text += state->loadDayAt(0) ? " reloaded " : " not reloaded ";
        text += joined(messagesOf(*state));
        playThrough(*state);

        chmod(lockedLater.c_str(), 0600);
        std::filesystem::remove(folder.path() / "L0706000.log");
        std::filesystem::remove(lockedLater);
        text += state->loadFolder(folder.string()) ? " | loaded" : " | not loaded";
        return text;
    });
    if (!result || *result == ReadableAnyway)
        GTEST_SKIP() << "cannot make a file unreadable here";
    EXPECT_EQ(*result, "loaded days=1 [readable][locked later] reloaded [readable] | not loaded");
}

// The day the clocks go back has 25 hours. Its last hour lies past 24 hours
// after its midnight, yet it is the day's own: a file begun then is listed
// under the day and must load, and the day's search must reach it.
TEST(HostileFolder, LastHourOfTheAutumnClockChangeBelongsToItsDay)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder folder;
    folder.write("L1028000.log", LogText("10/28/2001").at("20:00:00", said("Ann", 1, "CT", "evening")).text());
    folder.write("L1028001.log", LogText("10/28/2001")
                                     .at("23:30:00", said("Ann", 1, "CT", "last hour"))
                                     .at("23:45:00", roundStarted())
                                     .at("23:59:59", said("Ann", 1, "CT", "last second"))
                                     .on("10/29/2001")
                                     .at("00:00:00", said("Ann", 1, "CT", "next day"))
                                     .text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    // The file's last line is stamped on the next day, which is listed too.
    ASSERT_EQ(daysOf(*state), (std::vector<std::int32_t>{localStamp(2001, 10, 28), localStamp(2001, 10, 29)}));
    EXPECT_EQ(messagesOf(*state), (Strings{"evening", "last hour", "last second", "next day"}));
    EXPECT_EQ(messagesFound(*state), (Strings{"evening", "last hour", "last second"}))
        << "the search stops at the next midnight, not 24 hours after this one";
    state->seekMinute(24 * 60 + 59);
    EXPECT_EQ(state->viewClock(), localStamp(2001, 10, 28, 23, 59, 0));

    // A folder whose only file starts in that hour.
    TempFolder late;
    late.write("L1028000.log", LogText("10/28/2001").at("23:10:00", said("Ann", 1, "CT", "late")).text());
    ASSERT_TRUE(state->loadFolder(late.string()));
    EXPECT_FALSE(state->isEmptyDay());
    EXPECT_EQ(state->viewClock(), localStamp(2001, 10, 28, 23, 10, 0));
}

// The day the clocks go forward has 23 hours: 24 hours after its midnight is
// already an hour into the next day, which must not be shown or found twice.
TEST(HostileFolder, SpringClockChangeDayEndsAtTheNextMidnight)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder folder;
    folder.write("L0325000.log", LogText("03/25/2001").at("22:00:00", said("Ann", 1, "CT", "evening")).text());
    folder.write("L0326000.log", LogText("03/26/2001")
                                     .at("00:30:00", said("Ann", 1, "CT", "past midnight"))
                                     .at("00:40:00", said("Ann", 1, "CT", "still night"))
                                     .at("09:00:00", roundStarted())
                                     .text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_EQ(daysOf(*state), (std::vector<std::int32_t>{localStamp(2001, 3, 25), localStamp(2001, 3, 26)}));
    EXPECT_EQ(messagesOf(*state), Strings{"evening"}) << "the next day's file starts at its midnight's hour";
    EXPECT_EQ(messagesFound(*state), Strings{"evening"});

    ASSERT_TRUE(state->loadDayAt(1));
    EXPECT_EQ(state->viewClock(), localStamp(2001, 3, 26, 0, 30, 0));
    EXPECT_EQ(messagesFound(*state), (Strings{"past midnight", "still night"}));
}

// The day after the 25-hour day: its window must begin at the midnight
// before, or the first hour of the day before (who joined, which map) is lost.
TEST(HostileFolder, DayAfterTheAutumnClockChangeRebuildsTheWholeDayBefore)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder folder;
    folder.write("L1028000.log", LogText("10/28/2001")
                                     .at("00:20:00", mapStarted("de_dust"))
                                     .at("00:30:00", connected("Ann", 1, "10.0.0.1:27005"))
                                     .text());
    folder.write("L1029000.log", LogText("10/29/2001").at("10:00:00", said("Ann", 1, "CT", "morning")).text());
    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    ASSERT_TRUE(state->loadDayAt(1));
    EXPECT_STREQ(state->viewMapName(), "de_dust");
    EXPECT_EQ(playerNames(*state), Strings{"Ann"});
}

} // namespace
} // namespace zelkam
