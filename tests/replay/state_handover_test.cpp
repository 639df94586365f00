// A day read whole elsewhere (on a thread of its own) and handed over as one
// owner is shown exactly as a load on the shown state would show it, and
// goes on playing and following the folder the same.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "replay/loaded_day.h"
#include "replay/viewer_state.h"
#include "tests/replay/view_summary.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// Where the model stands, with what it shows.
std::string standing(const ViewerState& state)
{
    return std::to_string(state.dayStart()) + " days=" + std::to_string(state.days().size()) + " empty="
        + std::to_string(state.isEmptyDay()) + " cursor=" + std::to_string(state.cursor()) + " speed="
        + std::to_string(state.speed()) + " rewinding=" + std::to_string(state.rewinding()) + " "
        + viewSummary(state);
}

TEST(StateHandover, ADayReadElsewhereIsShownAsALoadWouldShowIt)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0705000.log", LogText("07/05/2001")
                                     .at("22:00:00", mapStarted("de_aztec"))
                                     .at("22:00:05", connected("Ann", 1, "10.0.0.1:27005"))
                                     .at("22:00:10", said("Ann", 1, "CT", "evening"))
                                     .text());
    folder.write("L0706000.log", LogText("07/06/2001")
                                     .at("10:00:00", mapStarted("de_dust"))
                                     .at("10:00:05", connected("Bob", 2, "10.0.0.2:27005"))
                                     .at("10:00:09", teamScored(3, 1))
                                     .at("10:00:10", said("Bob", 2, "TERRORIST", "morning"))
                                     .text());
    const std::int32_t absent = localStamp(2001, 7, 20);
    struct Case {
        const char* what;
        // Builds the day to hand over from the shown one (on another thread).
        std::function<bool(LoadedDay& day, const LoadedDay& shown)> build;
        // The same on a state of its own.
        std::function<bool(ViewerState& state)> load;
    };
    const Case cases[] = {
        {"a day of the folder shown, from its listing",
         [](LoadedDay& day, const LoadedDay& shown) {
             day.listAs(shown);
             return day.read(day.days()[1]);
         },
         [&](ViewerState& state) { return state.scanFolder(folder.string()) && state.loadDayAt(1); }},
        {"a folder scanned afresh",
         [&](LoadedDay& day, const LoadedDay&) { return day.scan(folder.string()) && day.read(day.days()[0]); },
         [&](ViewerState& state) { return state.loadFolder(folder.string()); }},
        {"a day the folder has no file for",
         [&](LoadedDay& day, const LoadedDay& shown) {
             day.listAs(shown);
             return !day.read(absent);
         },
         [&](ViewerState& state) { return state.scanFolder(folder.string()) && !state.loadDay(absent); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto shown = loaded(folder);
        shown->command(PlaybackCommand::Fast);
        shown->tick();
        shown->command(PlaybackCommand::Rewind);
        const std::string firstEventBefore = shown->events()[0].text ? shown->events()[0].text : "";

        auto day = std::make_unique<LoadedDay>();
        bool built = false;
        std::thread reader([&] { built = c.build(*day, shown->loadedDay()); });
        reader.join();
        ASSERT_TRUE(built);
        const std::unique_ptr<LoadedDay> before = shown->takeOver(std::move(day));
        // The day shown before comes back whole.
        ASSERT_NE(before, nullptr);
        EXPECT_EQ(before->events()[0].text ? before->events()[0].text : "", firstEventBefore);

        auto fresh = std::make_unique<ViewerState>();
        ASSERT_TRUE(c.load(*fresh));
        EXPECT_EQ(standing(*shown), standing(*fresh));

        // Played on and followed the same: the handed-over day watches the
        // folder as the shown listing did.
        std::ofstream(folder.path() / "L0706000.log", std::ios::binary | std::ios::app)
            << lineAt("07/06/2001", "10:00:20", said("Bob", 2, "TERRORIST", "later"));
        for (ViewerState* state : {shown.get(), fresh.get()}) {
            state->follow();
            state->command(PlaybackCommand::Fastest);
            state->tick();
        }
        EXPECT_EQ(shown->events().size(), fresh->events().size());
        EXPECT_EQ(standing(*shown), standing(*fresh));
        folder.write("L0706000.log", LogText("07/06/2001")
                                         .at("10:00:00", mapStarted("de_dust"))
                                         .at("10:00:05", connected("Bob", 2, "10.0.0.2:27005"))
                                         .at("10:00:09", teamScored(3, 1))
                                         .at("10:00:10", said("Bob", 2, "TERRORIST", "morning"))
                                         .text());
    }
}

} // namespace
} // namespace zelkam
