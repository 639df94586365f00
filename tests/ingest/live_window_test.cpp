// The live window as a followed folder changes under it: each look lists the
// folder the way a scan does, so what is read equals a fresh load.

#include "ingest/log_folder.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/compression.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

std::vector<std::string> namesOf(const LogFolder& folder)
{
    std::vector<std::string> names;
    for (const LogFileEntry& entry : folder.files().entries)
        names.push_back(entry.name);
    return names;
}

std::vector<std::string> textsOf(const LogFolder& folder)
{
    std::vector<std::string> texts;
    for (const LogEvent& event : folder.events())
        texts.push_back(std::to_string(event.kind) + " " + (event.text ? event.text : "-"));
    return texts;
}

// A log's archived twin appearing beside it (as "gzip -k" or a rotation in
// progress leaves it), then the plain log going: the day is read once all
// along, never twice.
TEST(LiveWindow, ATwinArchiveIsNeverReadBesideItsLog)
{
    ScopedTimeZone tz("UTC");
    TempFolder dir;
    const std::string text = LogText("07/06/2001")
                                 .at("20:00:00", mapStarted("de_dust"))
                                 .at("20:00:05", said("Ann", 1, "CT", "hello"))
                                 .text();
    dir.write("L0706000.log", text);
    LogFolder folder;
    ASSERT_TRUE(folder.buildDayIndex(dir.string()));
    const std::int32_t day = localStamp(2001, 7, 6);
    const auto readDay = [&] { return folder.readWindow(static_cast<std::int32_t>(addLocalDays(day, -1)), 2, true); };
    ASSERT_TRUE(readDay());
    const std::vector<std::string> once = textsOf(folder);
    ASSERT_EQ(once.size(), 2u);

    const struct {
        const char* name;
        std::string bytes;
    } twins[] = {{"L0706000.log.gz", gzipped(text)}, {"L0706000.log.zst", zstdCompressed(text)}};
    for (const auto& twin : twins) {
        dir.write(twin.name, twin.bytes);
        // Whatever a look reports, reading the day again reads it once.
        const FolderChanges changes = folder.followChanges();
        EXPECT_NE(changes.window, WindowChange::Grew) << twin.name;
        EXPECT_EQ(namesOf(folder), std::vector<std::string>{"L0706000.log"}) << twin.name;
        ASSERT_TRUE(readDay());
        EXPECT_EQ(textsOf(folder), once) << twin.name;
    }
    std::filesystem::remove(dir.path() / "L0706000.log");
    folder.followChanges();
    EXPECT_EQ(namesOf(folder), std::vector<std::string>{"L0706000.log.gz"});
    ASSERT_TRUE(readDay());
    EXPECT_EQ(textsOf(folder), once);
}

} // namespace
} // namespace zelkam
