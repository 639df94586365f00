// The follower of zelkam-cli follow and the watcher starts at one day of a
// folder it only lists: it reads that day and the days after it, never the
// earliest day first.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "replay/live_transcript.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

TEST(LiveTranscript, TheFirstDayTakenIsTheOnlyDayRead)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    folder.write("L0705000.log", LogText("07/05/2001").at("22:00:00", said("Ann", 1, "CT", "evening")).text());
    folder.write("L0706000.log", LogText("07/06/2001").at("10:00:00", said("Bob", 2, "CT", "morning")).text());
    struct Case {
        const char* what;
        std::optional<std::int32_t> fromDay;
        std::vector<std::string> taken;
        std::size_t reads;
    };
    const Case cases[] = {
        {"the newest day", std::nullopt, {"morning"}, 1},
        {"the earliest day, then the next", localStamp(2001, 7, 5), {"evening", "morning"}, 2},
        {"a day after them all: nothing yet", localStamp(2001, 7, 7), {}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LiveTranscript transcript(folder.string(), c.fromDay);
        std::vector<std::string> texts;
        ASSERT_EQ(transcript.look([&](const LogEvent& event, bool) { texts.emplace_back(event.text); }),
                  LiveTranscript::Look::Taken);
        EXPECT_EQ(texts, c.taken);
        EXPECT_EQ(transcript.day().folder().scansMade(), 1u);
        EXPECT_EQ(transcript.day().folder().windowsRead(), c.reads);
    }
}

} // namespace
} // namespace zelkam
