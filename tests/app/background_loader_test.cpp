// Folder scans and day loads run on the loader's thread while the window's
// thread goes on handling events, and the result is handed over complete.

#include "app/background_loader.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "replay/loaded_day.h"
#include "replay/viewer_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

void writeDay(const TempFolder& folder, const std::string& date, const std::string& map)
{
    folder.write("L" + date.substr(0, 2) + date.substr(3, 2) + "000.log",
                 lineAt(date, "20:00:00", mapStarted(map)) + lineAt(date, "20:00:05", roundStarted()));
}

// The map that starts the shown day: which folder and day were handed over.
std::string firstMap(const ViewerState& state)
{
    if (state.isEmptyDay())
        return "";
    const char* text = state.events()[state.dayFirstEvent()].text;
    return text ? text : "";
}

bool waitUntil(const std::function<bool()>& done) { return QTest::qWaitFor(done, 60000); }

TEST(BackgroundLoader, LoadsOnAnotherThreadWhileTheWindowHandlesEvents)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeDay(folder, "07/06/2001", "de_dust");
    ViewerState shown;
    BackgroundLoader loader(shown);
    std::vector<bool> busy;
    QObject::connect(&loader, &BackgroundLoader::busyChanged, [&](bool now) { busy.push_back(now); });

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::thread::id jobThread;
    bool done = false;
    loader.start(
        [&](LoadedDay& day) {
            jobThread = std::this_thread::get_id();
            // Held until the window's thread has handled an event.
            released.wait();
            return day.scan(folder.string()) && day.read(day.days()[0]);
        },
        false, [&](bool result) {
            EXPECT_TRUE(result);
            done = true;
        });
    EXPECT_TRUE(loader.isBusy());
    bool handled = false;
    QTimer::singleShot(0, [&] {
        handled = true;
        // Nothing is handed over before the load is complete.
        EXPECT_TRUE(shown.days().empty());
        EXPECT_FALSE(done);
        release.set_value();
    });
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_TRUE(handled);
    EXPECT_NE(jobThread, std::this_thread::get_id());
    EXPECT_FALSE(loader.isBusy());
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    ASSERT_EQ(shown.days().size(), 1u);
    EXPECT_EQ(firstMap(shown), "de_dust");
    EXPECT_EQ(shown.speed(), 0);
}

// The first day picked after a folder opens is read once: from the listing
// the shown day holds, neither listing the folder again nor reading any
// other day.
TEST(BackgroundLoader, AFirstPickReadsOnlyThePickedDay)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    writeDay(folder, "07/05/2001", "de_aztec");
    writeDay(folder, "07/06/2001", "de_dust");
    ViewerState shown;
    BackgroundLoader loader(shown);
    bool opened = false;
    loader.loadFolder(folder.string(), [&](bool) { opened = true; });
    ASSERT_TRUE(waitUntil([&] { return opened; }));
    ASSERT_EQ(firstMap(shown), "de_aztec");
    bool picked = false;
    loader.loadDay(folder.string(), shown.days()[1], [&](bool) { picked = true; });
    ASSERT_TRUE(waitUntil([&] { return picked; }));
    EXPECT_EQ(firstMap(shown), "de_dust");
    EXPECT_EQ(shown.folder().windowsRead(), 1u);
    EXPECT_EQ(shown.folder().scansMade(), 0u);
}

TEST(BackgroundLoader, ANewerChoiceSupersedesTheOneInProgress)
{
    ScopedTimeZone zone("UTC");
    TempFolder first;
    TempFolder second;
    TempFolder third;
    writeDay(first, "07/06/2001", "de_first");
    writeDay(second, "07/06/2001", "de_second");
    writeDay(third, "08/06/2001", "de_third");
    writeDay(third, "09/06/2001", "de_fourth");
    ViewerState shown;
    BackgroundLoader loader(shown);

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::vector<std::string> doneFor;
    loader.start(
        [&](LoadedDay& day) {
            released.wait();
            return day.scan(first.string()) && day.read(day.days()[0]);
        },
        false, [&](bool) { doneFor.push_back("first"); });
    loader.loadFolder(second.string(), [&](bool) { doneFor.push_back("second"); });
    loader.loadFolder(third.string(), [&](bool) { doneFor.push_back("third"); });
    release.set_value();
    ASSERT_TRUE(waitUntil([&] { return !loader.isBusy(); }));
    EXPECT_EQ(doneFor, std::vector<std::string>{"third"});
    EXPECT_EQ(firstMap(shown), "de_third");

    // A day of the folder shown, then a folder without logs: that one is
    // not handed over, the day stays.
    bool loaded = false;
    loader.loadDay(third.string(), shown.days()[1], [&](bool result) { loaded = result; });
    ASSERT_TRUE(waitUntil([&] { return !loader.isBusy(); }));
    EXPECT_TRUE(loaded);
    EXPECT_EQ(firstMap(shown), "de_fourth");
    TempFolder empty;
    loader.loadFolder(empty.string(), [&](bool result) { loaded = result; });
    ASSERT_TRUE(waitUntil([&] { return !loader.isBusy(); }));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(firstMap(shown), "de_fourth");
}

} // namespace
} // namespace zelkam
