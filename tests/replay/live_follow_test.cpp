#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
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
namespace fs = std::filesystem;

void append(const TempFolder& folder, const std::string& name, const std::string& bytes)
{
    std::ofstream out(folder.path() / name, std::ios::binary | std::ios::app);
    out << bytes;
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A copy of the folder in which the newest file's unterminated last line
// is cut off: what a followed folder must look like to a fresh load.
void copyWithWholeLines(const TempFolder& from, const TempFolder& to, const std::string& newest)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(to.path()))
        fs::remove(entry.path());
    for (const fs::directory_entry& entry : fs::directory_iterator(from.path())) {
        std::string bytes = readAll(entry.path());
        if (entry.path().filename() == newest)
            bytes.erase(bytes.rfind('\n') == std::string::npos ? 0 : bytes.rfind('\n') + 1);
        to.write(entry.path().filename().string(), bytes);
    }
}

std::string eventText(const LogEvent& e)
{
    return std::to_string(e.kind) + "@" + std::to_string(e.time) + " " + (e.player.name ? e.player.name : "-") + "/"
        + std::to_string(e.player.userId) + "/" + std::to_string(e.player.addressKey) + "/"
        + std::to_string(e.player.team) + " " + (e.text ? e.text : "-");
}

std::string snapshotText(const Snapshot& s)
{
    std::string text = std::to_string(s.time) + "#" + std::to_string(s.event) + " " + s.mapName;
    for (std::size_t i = 0; i < s.playerCount; ++i)
        text += " " + std::string(s.players[i].name ? s.players[i].name : "-");
    return text;
}

// The day as loaded: days, events, positions and snapshots.
std::vector<std::string> loadedDay(const ViewerState& state)
{
    std::vector<std::string> lines;
    std::string days = "days";
    for (std::int32_t day : state.days())
        days += " " + std::to_string(day);
    lines.push_back(days);
    lines.push_back("day " + std::to_string(state.dayStart()) + (state.isEmptyDay() ? " empty" : ""));
    if (state.isEmptyDay())
        return lines;
    lines.push_back("first " + std::to_string(state.dayFirstEvent()) + " end " + std::to_string(state.dayEndEvent())
                    + " last " + std::to_string(state.lastEvent()) + " playEnd " + std::to_string(state.dayPlayEnd()));
    for (const LogEvent& e : state.events())
        lines.push_back(eventText(e));
    for (const Snapshot& s : state.snapshots())
        lines.push_back(snapshotText(s));
    return lines;
}

// The same commands on both models, the published views compared after
// each: seeks to every second an event is stamped with and the one after,
// forward play at ">>" from the day's start, and Find Next over all chat.
void expectSameReplay(ViewerState& live, ViewerState& fresh, const std::string& step)
{
    ASSERT_EQ(loadedDay(live), loadedDay(fresh)) << step;
    if (live.isEmptyDay())
        return;
    std::vector<std::int32_t> times;
    for (std::size_t e = live.dayFirstEvent(); e < live.events().size(); ++e) {
        times.push_back(live.events()[e].time);
        times.push_back(live.events()[e].time + 1);
    }
    for (std::int32_t t : times) {
        live.seek(t);
        fresh.seek(t);
        ASSERT_EQ(viewSummary(live), viewSummary(fresh)) << step << " seek " << t;
    }
    for (ViewerState* state : {&live, &fresh}) {
        state->seek(state->events()[state->dayFirstEvent()].time);
        state->command(PlaybackCommand::Fast);
    }
    for (int i = 0; i < 100; ++i) {
        live.tick();
        fresh.tick();
        ASSERT_EQ(viewSummary(live), viewSummary(fresh)) << step << " tick " << i;
        ASSERT_EQ(live.cursor(), fresh.cursor()) << step << " tick " << i;
    }
    for (ViewerState* state : {&live, &fresh})
        state->seekMinute(0);
    for (int i = 0; i < 40; ++i) {
        const bool found = live.find(SearchKind::Chat, "", false);
        ASSERT_EQ(found, fresh.find(SearchKind::Chat, "", false)) << step << " find " << i;
        ASSERT_EQ(viewSummary(live), viewSummary(fresh)) << step << " find " << i;
        if (!found)
            break;
    }
}

// Sets the folder's modification time to an old value of its own, so that
// the next look must tell a change by the stamp alone (a young stamp is
// never trusted and makes every look list the folder).
// Where a folder's time cannot be set (the Windows runtime refuses it for
// folders) it stays young, every look lists the folder, and the comparison
// still holds.
void ageFolder(const TempFolder& folder, int step)
{
    std::error_code error;
    fs::last_write_time(folder.path(),
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * 365) + std::chrono::seconds(step),
                        error);
}

TEST(LiveFollow, GrowingDayMatchesAFreshLoadAfterEveryStep)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    TempFolder copy;
    folder.write("L0704000.log", LogText("07/04/2001")
                                     .at("22:00:00", mapStarted("de_aztec"))
                                     .at("22:00:05", connected("Ann", 1, "10.0.0.1:27005"))
                                     .at("22:01:00", said("Ann", 1, "CT", "evening"))
                                     .text());
    // The server was writing a chat line when the day was loaded.
    folder.write("L0705000.log", LogText("07/05/2001")
                                         .at("10:00:00", mapStarted("de_dust"))
                                         .at("10:00:02", connected("Bob", 2, "10.0.0.2:27005"))
                                         .at("10:00:03", said("Bob", 2, "CT", "hi"))
                                         .text()
                                     + lineAt("07/05/2001", "10:00:09", said("Bob", 2, "CT", "hello there"))
                                           .substr(0, 60));
    ageFolder(folder, 0);

    auto live = std::make_unique<ViewerState>();
    ASSERT_TRUE(live->loadFolder(folder.string()));
    ASSERT_TRUE(live->loadDayAt(1));
    EXPECT_FALSE(live->isGrowing());
    EXPECT_FALSE(live->follow().grew) << "nothing changed yet";

    std::string newest = "L0705000.log";
    std::string bigChat;
    for (int i = 0; i < 400; ++i)
        bigChat += lineAt("07/05/2001", "11:30:" + std::string(i % 60 < 10 ? "0" : "") + std::to_string(i % 60),
                          said("Cid", 3, "TERRORIST", "line " + std::to_string(i)));
    const std::string wholeSay = lineAt("07/05/2001", "10:00:09", said("Bob", 2, "CT", "hello there"));
    const std::string newMapSay = lineAt("07/05/2001", "10:20:00", said("Bob", 2, "CT", "on the new map"));
    const std::string halfMap = lineAt("07/05/2001", "10:20:00", mapStarted("cs_office"));

    struct Step {
        std::string name;
        std::function<void()> change;
        bool folderChanged = false;
    };
    const std::vector<Step> steps = {
        {"completes the line read unfinished",
         [&] { append(folder, newest, wholeSay.substr(60) + lineAt("07/05/2001", "10:01:00", roundStarted())); }},
        {"whole lines", [&] {
             append(folder, newest,
                    LogText("07/05/2001")
                        .at("10:02:00", killed("Bob", 2, "CT", "Ann", 1, "TERRORIST"))
                        .at("10:02:00", said("Ann", 1, "TERRORIST", "ouch"))
                        .at("10:03:00", saidTeam("Bob", 2, "CT", "go"))
                        .text());
         }},
        {"half a line", [&] { append(folder, newest, halfMap.substr(0, 30)); }},
        {"the rest of a map start and half a chat line",
         [&] { append(folder, newest, halfMap.substr(30) + newMapSay.substr(0, 60)); }},
        {"the chat line completed at the map start's second",
         [&] { append(folder, newest, newMapSay.substr(60)); }},
        {"many lines at once", [&] { append(folder, newest, bigChat); }},
        {"a new file of the day",
         [&] {
             newest = "L0705001.log";
             folder.write(newest, LogText("07/05/2001")
                                      .at("12:00:00", mapStarted("de_nuke"))
                                      .at("12:00:01", connected("Dee", 4, "10.0.0.4:27005"))
                                      .at("12:00:02", said("Dee", 4, "", "first"))
                                      .text());
         },
         true},
        {"a new file with half its first line",
         [&] {
             newest = "L0705002.log";
             folder.write(newest, lineAt("07/05/2001", "13:00:00", mapStarted("de_train")).substr(0, 20));
         },
         true},
        {"that first line completed",
         [&] {
             append(folder, newest,
                    lineAt("07/05/2001", "13:00:00", mapStarted("de_train")).substr(20)
                        + lineAt("07/05/2001", "13:00:05", said("Dee", 4, "CT", "train")));
         }},
        // Written over in place rather than added to: the same file, longer.
        {"the newest file written anew",
         [&] {
             LogText text("07/05/2001");
             text.at("13:00:00", mapStarted("de_train"));
             for (int i = 0; i < 6; ++i)
                 text.at("13:00:0" + std::to_string(i), said("Eve", 5, "CT", "written anew " + std::to_string(i)));
             folder.write("L0705002.log", text.text());
         }},
        // As many bytes as before, other text, a later stamp.
        {"the newest file written over with as many bytes",
         [&] {
             const fs::path path = folder.path() / newest;
             std::string text = readAll(path);
             for (std::size_t at = text.find("anew"); at != std::string::npos; at = text.find("anew", at))
                 text.replace(at, 4, "ANEW");
             const auto stamp = fs::last_write_time(path);
             folder.write(newest, text);
             fs::last_write_time(path, stamp + std::chrono::seconds(1));
         }},
        {"past midnight",
         [&] {
             append(folder, newest,
                    LogText("07/05/2001")
                        .at("23:59:59", said("Dee", 4, "CT", "late"))
                        .on("07/06/2001")
                        .at("00:00:10", said("Dee", 4, "CT", "tomorrow"))
                        .text());
         }},
        {"the next day's file",
         [&] {
             newest = "L0706000.log";
             folder.write("L0706000.log",
                          LogText("07/06/2001").at("01:00:00", mapStarted("de_inferno")).text());
         },
         true},
        {"a file replaced",
         [&] {
             folder.write("replacement.tmp", LogText("07/05/2001")
                                                 .at("12:00:00", mapStarted("de_nuke"))
                                                 .at("12:00:02", said("Eve", 5, "", "rewritten"))
                                                 .text());
             fs::rename(folder.path() / "replacement.tmp", folder.path() / "L0705001.log");
         },
         true},
        {"the newest file shortened",
         [&] {
             const fs::path path = folder.path() / "L0705002.log";
             fs::resize_file(path, fs::file_size(path) - 30);
         }},
        {"a file dated into the day out of order",
         [&] {
             folder.write("L0705003.log", LogText("07/05/2001").at("11:00:00", mapStarted("de_vertigo")).text());
         },
         true},
        {"a file removed", [&] { fs::remove(folder.path() / "L0705003.log"); }, true},
    };

    int stepNumber = 0;
    for (const Step& step : steps) {
        ++stepNumber;
        // The model plays on at the edge while the server writes.
        live->command(PlaybackCommand::Fastest);
        live->tick();
        step.change();
        if (step.folderChanged)
            ageFolder(folder, stepNumber);
        const LiveUpdate update = live->follow();
        EXPECT_FALSE(update.folderGone) << step.name;
        EXPECT_TRUE(live->isGrowing()) << step.name;

        copyWithWholeLines(folder, copy, newest);
        auto fresh = std::make_unique<ViewerState>();
        fresh->loadFolder(copy.string());
        fresh->loadDay(live->dayStart());
        fresh->markGrowing();
        expectSameReplay(*live, *fresh, step.name);
        if (HasFatalFailure())
            return;

        const LiveUpdate quiet = live->follow();
        EXPECT_FALSE(quiet.grew || quiet.daysChanged || quiet.viewChanged) << step.name << ": a quiet look";
    }
}

// A line stamped at the next midnight itself, appended while the day is
// followed, belongs to the next day (which is listed now), as a fresh load
// puts it.
TEST(LiveFollow, ALineAtTheNextMidnightItselfBelongsToTheNextDay)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    TempFolder copy;
    const std::string name = "L0705000.log";
    folder.write(name, LogText("07/05/2001")
                           .at("23:50:00", mapStarted("de_dust"))
                           .at("23:50:01", connected("Bob", 2, "10.0.0.2:27005"))
                           .at("23:59:59", said("Bob", 2, "CT", "late"))
                           .text());
    ageFolder(folder, 0);
    auto live = std::make_unique<ViewerState>();
    ASSERT_TRUE(live->loadFolder(folder.string()));
    ASSERT_TRUE(live->loadDayAt(0));
    // Paused, so the model stays on the followed day when the next one is listed.
    live->follow();
    append(folder, name,
           LogText("07/06/2001")
               .at("00:00:00", said("Bob", 2, "CT", "midnight"))
               .at("00:00:05", said("Bob", 2, "CT", "after"))
               .text());
    EXPECT_TRUE(live->follow().daysChanged);
    ASSERT_TRUE(live->isGrowing());
    ASSERT_EQ(live->dayStart(), localStamp(2001, 7, 5));
    copyWithWholeLines(folder, copy, name);
    auto fresh = std::make_unique<ViewerState>();
    ASSERT_TRUE(fresh->loadFolder(copy.string()));
    fresh->loadDay(live->dayStart());
    fresh->markGrowing();
    ASSERT_EQ(fresh->days().size(), 2u);
    expectSameReplay(*live, *fresh, "a line at midnight");
    // The midnight line itself ends the followed day; it is not its last.
    ASSERT_LT(live->dayEndEvent(), live->events().size());
    EXPECT_EQ(live->events()[live->dayEndEvent()].time, localStamp(2001, 7, 6));
}

// The load takes the newest file's unfinished last line as it stands; once
// the day is followed only whole lines count, so when the server writes more
// of that line without finishing it, its event is withdrawn with nothing in
// its place. In the same second as the line before, it is followed on.
TEST(LiveFollow, ALineReadUnfinishedIsWithdrawnUntilItIsWhole)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    TempFolder copy;
    const std::string name = "L0705000.log";
    const std::string last = lineAt("07/05/2001", "10:00:03", said("Bob", 2, "CT", "hello there"));
    folder.write(name, LogText("07/05/2001")
                           .at("10:00:00", mapStarted("de_dust"))
                           .at("10:00:03", said("Bob", 2, "CT", "hi"))
                           .text()
                           + last.substr(0, 50));
    auto live = std::make_unique<ViewerState>();
    ASSERT_TRUE(live->loadFolder(folder.string()));
    ASSERT_EQ(live->events().size(), 3u);

    for (const std::string& more : {last.substr(50, 2), last.substr(52)}) {
        append(folder, name, more);
        live->follow();
        EXPECT_TRUE(live->isGrowing());
        copyWithWholeLines(folder, copy, name);
        auto fresh = std::make_unique<ViewerState>();
        fresh->loadFolder(copy.string());
        fresh->markGrowing();
        expectSameReplay(*live, *fresh, "after " + std::to_string(more.size()) + " bytes more");
    }
}

TEST(LiveFollow, PlayWaitsAtTheNewestLineAndFollowsItAtEverySpeed)
{
    ScopedTimeZone zone("UTC");
    for (const PlaybackCommand command : {PlaybackCommand::Play, PlaybackCommand::Fast, PlaybackCommand::Fastest}) {
        SCOPED_TRACE(static_cast<int>(command));
        TempFolder folder;
        folder.write("L0705000.log", LogText("07/05/2001")
                                         .at("10:00:00", mapStarted("de_dust"))
                                         .at("10:00:02", said("Bob", 2, "CT", "one"))
                                         .at("10:00:04", said("Bob", 2, "CT", "two"))
                                         .text());
        auto state = loaded(folder);
        state->command(command);
        for (int i = 0; i < 10; ++i)
            state->tick();
        EXPECT_EQ(chatTexts(*state), (std::vector<std::string>{"*DEAD*Bob : one", "*DEAD*Bob : two"}))
            << "a finished day plays its last event too";
        EXPECT_EQ(state->clock(), localStamp(2001, 7, 5, 10, 0, 4) + 1);
        EXPECT_FALSE(state->find(SearchKind::Chat, "two", false));

        append(folder, "L0705000.log", lineAt("07/05/2001", "10:00:05", said("Bob", 2, "CT", "three")));
        EXPECT_TRUE(state->follow().grew);
        EXPECT_TRUE(state->isGrowing());
        for (int i = 0; i < 10; ++i)
            state->tick();
        const std::int32_t three = localStamp(2001, 7, 5, 10, 0, 5);
        EXPECT_EQ(state->clock(), three + 1) << "the clock waits one second past the newest line";
        EXPECT_EQ(chatTexts(*state), (std::vector<std::string>{"*DEAD*Bob : one", "*DEAD*Bob : two", "*DEAD*Bob : three"}));

        // After a quiet minute the next line is played as it arrives.
        append(folder, "L0705000.log", lineAt("07/05/2001", "10:01:30", said("Bob", 2, "CT", "four")));
        state->follow();
        state->tick();
        EXPECT_EQ(state->clock(), three + 86);
        EXPECT_EQ(chatTexts(*state), (std::vector<std::string>{"*DEAD*Bob : four"}));

        // Find reaches what arrived while it was open, the newest line too.
        state->seekMinute(600);
        EXPECT_FALSE(state->find(SearchKind::Chat, "five", false));
        append(folder, "L0705000.log", lineAt("07/05/2001", "10:02:00", said("Bob", 2, "CT", "five")));
        state->follow();
        EXPECT_TRUE(state->find(SearchKind::Chat, "five", false));
        EXPECT_EQ(state->clock(), localStamp(2001, 7, 5, 10, 2, 1));
    }
}

// "HH:MM:SS" of a second of 07/05/2001 in UTC.
std::string timeOfDay(std::int32_t secondOfDay)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
    return text;
}

TEST(LiveFollow, AtTheLiveEdgeTheClockIsTheWallClockAndLinesShowAsTheyArrive)
{
    ScopedTimeZone zone("UTC");
    // The viewer reached the day's end before the server wrote again (the
    // day is not known to grow until then): quiet spells of every length
    // between the lines that then arrive.
    const std::int32_t start = 10 * 3600;
    const std::int32_t arrivals[] = {start + 30, start + 31, start + 95, start + 96, start + 400};
    for (const PlaybackCommand command : {PlaybackCommand::Play, PlaybackCommand::Fastest}) {
        SCOPED_TRACE(static_cast<int>(command));
        TempFolder folder;
        folder.write("L0705000.log", LogText("07/05/2001")
                                         .at(timeOfDay(start - 5), mapStarted("de_dust"))
                                         .at(timeOfDay(start), said("Bob", 2, "CT", "first"))
                                         .text());
        auto state = loaded(folder);
        const std::int32_t day = localStamp(2001, 7, 5);
        state->command(command);
        std::int32_t wall = day + start + 5;
        std::size_t next = 0;
        for (; wall <= day + start + 420; ++wall) {
            // A line is written at its own second and seen at the next look.
            if (next < std::size(arrivals) && day + arrivals[next] == wall - 1)
                append(folder, "L0705000.log",
                       lineAt("07/05/2001", timeOfDay(arrivals[next]), said("Bob", 2, "CT", std::to_string(next))));
            state->follow();
            state->tick(wall);
            ASSERT_LE(state->clock(), wall) << "never ahead of the wall clock";
            if (next > 0) {
                ASSERT_EQ(state->playMode(), ViewerState::PlayMode::Live) << wall - day;
                ASSERT_EQ(state->clock(), wall) << "the live clock follows the wall clock";
                ASSERT_EQ(state->lag(), 0);
            }
            if (next < std::size(arrivals) && day + arrivals[next] == wall - 1) {
                const std::vector<std::string> chat = chatTexts(*state);
                ASSERT_FALSE(chat.empty());
                EXPECT_EQ(chat.back(), "*DEAD*Bob : " + std::to_string(next)) << "shown within a second";
                ++next;
            }
        }
        EXPECT_EQ(next, std::size(arrivals));

        // Going back leaves the live edge and says how far behind it is; play
        // from there catches up once the newest line is played.
        state->seek(day + start + 90);
        state->command(PlaybackCommand::Pause);
        EXPECT_EQ(state->playMode(), ViewerState::PlayMode::Paused);
        EXPECT_EQ(state->lag(), 310);
        state->command(PlaybackCommand::Play);
        state->tick(wall);
        EXPECT_EQ(state->playMode(), ViewerState::PlayMode::Playing);
        EXPECT_EQ(state->clock(), day + start + 91) << "behind the edge the clock runs at the speed";
        state->command(PlaybackCommand::Fastest);
        for (int i = 0; i < 8; ++i)
            state->tick(++wall);
        EXPECT_EQ(state->playMode(), ViewerState::PlayMode::Live);
        EXPECT_EQ(state->clock(), wall);
    }
}

// A day's file emptied and written again (or moved away and back) is read
// again: the lines shown before are not shown again as new ones.
TEST(LiveFollow, ADayReadAgainShowsNoOldLineAsNew)
{
    ScopedTimeZone zone("UTC");
    const std::int32_t start = 10 * 3600;
    const std::string map = lineAt("07/05/2001", timeOfDay(start - 5), mapStarted("de_dust"));
    const std::string old = lineAt("07/05/2001", timeOfDay(start), said("Bob", 2, "CT", "old"));
    TempFolder folder;
    folder.write("L0705000.log", map);
    auto state = loaded(folder);
    const std::int32_t day = localStamp(2001, 7, 5);
    state->command(PlaybackCommand::Play);
    // Played up to the newest line, and waiting there.
    std::int32_t wall = day + start - 10;
    while (wall < day + start) {
        state->follow();
        state->tick(++wall);
    }
    // The server writes a line: the day grows, and the view is live.
    append(folder, "L0705000.log", old);
    state->follow();
    state->tick(++wall);
    ASSERT_EQ(chatTexts(*state), std::vector<std::string>{"*DEAD*Bob : old"});
    // The line has left the screen when the file goes and comes back.
    for (int i = 0; i < 30; ++i) {
        state->follow();
        state->tick(++wall);
    }
    ASSERT_TRUE(chatTexts(*state).empty());
    folder.write("L0705000.log", "");
    state->follow();
    state->tick(++wall);
    folder.write("L0705000.log", map + old);
    for (int i = 0; i < 3; ++i) {
        state->follow();
        state->tick(++wall);
        EXPECT_TRUE(chatTexts(*state).empty()) << "an old line shown as new";
    }
    append(folder, "L0705000.log", lineAt("07/05/2001", timeOfDay(wall - day), said("Bob", 2, "CT", "new")));
    state->follow();
    state->tick(++wall);
    EXPECT_EQ(chatTexts(*state), std::vector<std::string>{"*DEAD*Bob : new"});
}

TEST(LiveFollow, PlayAtTheEdgeMovesOnToTheServersNewDay)
{
    ScopedTimeZone zone("UTC");
    for (const bool playing : {true, false}) {
        SCOPED_TRACE(playing);
        TempFolder folder;
        folder.write("L0705000.log", LogText("07/05/2001")
                                         .at("23:50:00", mapStarted("de_dust"))
                                         .at("23:59:00", said("Bob", 2, "CT", "nearly"))
                                         .text());
        auto state = loaded(folder);
        if (playing)
            state->command(PlaybackCommand::Fastest);
        for (int i = 0; i < 20; ++i)
            state->tick();
        folder.write("L0706000.log", LogText("07/06/2001")
                                         .at("00:01:00", mapStarted("de_aztec"))
                                         .at("00:01:30", said("Bob", 2, "CT", "morning"))
                                         .text());
        const LiveUpdate update = state->follow();
        EXPECT_TRUE(update.daysChanged);
        ASSERT_EQ(state->days().size(), 2u);
        if (playing) {
            EXPECT_TRUE(update.viewChanged);
            EXPECT_EQ(state->dayStart(), localStamp(2001, 7, 6));
            EXPECT_EQ(state->speed(), 60);
            state->tick();
            EXPECT_STREQ(state->viewMapName(), "de_aztec");
        } else {
            EXPECT_FALSE(update.viewChanged);
            EXPECT_EQ(state->dayStart(), localStamp(2001, 7, 5));
            EXPECT_EQ(state->speed(), 0);
        }
    }
}

TEST(LiveFollow, GoingLiveShowsTheNewestDayAtItsNewestLine)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0704000.log", LogText("07/04/2001").at("10:00:00", mapStarted("de_dust")).text());
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("10:00:00", mapStarted("de_nuke"))
                                     .at("10:05:00", said("Bob", 2, "CT", "latest"))
                                     .text());
    auto state = loaded(folder);
    ASSERT_EQ(state->dayStart(), localStamp(2001, 7, 4));
    ASSERT_TRUE(state->goLive());
    EXPECT_EQ(state->dayStart(), localStamp(2001, 7, 5));
    EXPECT_EQ(state->clock(), localStamp(2001, 7, 5, 10, 5, 0));
    EXPECT_EQ(state->speed(), 1);
    EXPECT_STREQ(state->viewMapName(), "de_nuke");
}

TEST(LiveFollow, AFolderThatIsGoneIsReported)
{
    ScopedTimeZone zone("UTC");
    auto folder = std::make_unique<TempFolder>();
    folder->write("L0705000.log", LogText("07/05/2001").at("10:00:00", mapStarted("de_dust")).text());
    auto state = loaded(*folder);
    const std::string shown = viewSummary(*state);
    folder.reset();
    EXPECT_TRUE(state->follow().folderGone);
    EXPECT_EQ(viewSummary(*state), shown) << "what was read stays shown";
}

} // namespace
} // namespace zelkam
