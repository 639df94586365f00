// A log the scan listed may be replaced, before it is read, by a link to a
// device or another device file. Opening one can act on it, so such a file
// must never be opened at all, only passed over.

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ingest/log_file_list.h"
#include "ingest/window_reader.h"
#include "parse/log_parser.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

std::vector<std::string> texts(const LogParser& parser)
{
    std::vector<std::string> found;
    for (const LogEvent& event : parser.events())
        found.emplace_back(event.text ? event.text : "<null>");
    return found;
}

TEST(DeviceFile, LinkToADeviceFileSwappedInAfterTheScanIsNeverOpened)
{
    ScopedTimeZone zone("UTC");
    TempFolder folder;
    TempFolder elsewhere;
    folder.write("L0706000.log", chatLineAt("07/06/2001", "09:00:00", "one"));
    folder.write("L0706001.log", chatLineAt("07/06/2001", "10:00:00", "swapped"));
    folder.write("L0706002.log", chatLineAt("07/06/2001", "11:00:00", "three"));
    LogFileList list;
    ASSERT_TRUE(scanFolder(folder.string(), list));

    // A FIFO stands in for a device: the test can see whether anyone opens
    // it, and nothing else on the machine does.
    const std::filesystem::path device = elsewhere.path() / "device";
    ASSERT_EQ(mkfifo(device.c_str(), 0600), 0);
    std::filesystem::remove(folder.path() / "L0706001.log");
    std::filesystem::create_symlink(device, folder.path() / "L0706001.log");
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, device.c_str(), IN_OPEN), 0);

    WindowReader reader;
    LogParser parser;
    EXPECT_TRUE(reader.readWindow(list, parser, localStamp(2001, 7, 5), 2));
    EXPECT_EQ(texts(parser), (std::vector<std::string>{"one", "three"}));

    char events[4096];
    EXPECT_LT(read(watch, events, sizeof events), 0) << "the device file was opened";
    close(watch);
}

} // namespace
} // namespace zelkam
