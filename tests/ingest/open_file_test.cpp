#include "ingest/open_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ingest/log_folder.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using test::chatLineAt;
using test::localStamp;
using test::ScopedTimeZone;
using test::TempFolder;

// Writes bytes to a file named by UTF-8 text.
void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Log folders live under user profiles and share names in any script, and
// deep in them: the folder's path and the log names themselves may hold any
// character, the path may be longer than Windows' old limit of 260, and
// both are handed to the model as UTF-8 text.
TEST(OpenFile, FolderAndFileNamesBeyondAsciiRead)
{
    ScopedTimeZone zone("UTC");
    TempFolder temp;
    std::string deep = "deep";
    while (deep.size() < 320)
        deep += "/" + std::string(60, 'd');
    for (const std::string& name : {std::string("Ren\xC3\xA9"),
                                    std::string("\xD0\x9A\xD0\xB8\xD1\x80\xD0\xB8\xD0\xBB\xD0\xBB"),
                                    std::string("\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xAE logs"), deep}) {
        SCOPED_TRACE(name);
        const std::string folderText = utf8FromPath(temp.path()) + "/" + name;
        const std::filesystem::path folder = pathFromUtf8(folderText);
        ASSERT_TRUE(std::filesystem::create_directories(folder));
        writeFile(folder / "L0706000.log", chatLineAt("07/06/2001", "09:00:00", "plain name"));
        // A name matching L*.log with letters of its own is a log like any other.
        writeFile(folder / pathFromUtf8("L0706\xC3\xBC" "01.log"), chatLineAt("07/06/2001", "10:00:00", "own name"));

        LogFolder logs;
        ASSERT_TRUE(logs.buildDayIndex(folderText));
        ASSERT_EQ(logs.days().size(), 1u);
        EXPECT_EQ(logs.days()[0], localStamp(2001, 7, 6));
        ASSERT_TRUE(logs.readWindow(localStamp(2001, 7, 5), 2));
        std::vector<std::string> texts;
        for (const LogEvent& event : logs.events())
            texts.emplace_back(event.text ? event.text : "");
        EXPECT_EQ(texts, (std::vector<std::string>{"plain name", "own name"}));
    }
}

// The server goes on writing its current log, and renames or deletes old
// ones, while the viewer reads them.
TEST(OpenFile, ServerMayWriteRenameAndDeleteALogBeingRead)
{
#ifdef _WIN32
    TempFolder temp;
    const auto path = temp.write("L0706000.log", "first line\n");
    std::FILE* file = openSharedForReading(path);
    ASSERT_NE(file, nullptr);
    {
        std::ofstream server(path, std::ios::binary | std::ios::app);
        ASSERT_TRUE(server.is_open()) << "the server could not go on writing its log";
        server << "second line\n";
    }
    const auto renamed = temp.path() / "L0706000.old";
    std::error_code error;
    std::filesystem::rename(path, renamed, error);
    EXPECT_FALSE(error) << "rename while read: " << error.message();
    std::filesystem::remove(renamed, error);
    EXPECT_FALSE(error) << "delete while read: " << error.message();
    char buffer[64] = {};
    const std::size_t got = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    EXPECT_EQ(std::string(buffer, got), "first line\nsecond line\n");

    EXPECT_EQ(openSharedForReading(temp.path()), nullptr) << "a folder is no log";
    EXPECT_EQ(openSharedForReading(temp.path() / "missing.log"), nullptr);
#else
    GTEST_SKIP() << "POSIX never holds a file against writing, renaming or deleting while it is read";
#endif
}

// The extended form a long path takes on its way to Windows is made from the
// absolute path: the system takes it literally, so / and .. must be gone.
TEST(OpenFile, LongPathsReachTheSystemInTheirExtendedForm)
{
#ifdef _WIN32
    const std::wstring a(150, L'a');
    const std::wstring b(150, L'b');
    const struct {
        std::wstring given;
        std::wstring expected;
    } cases[] = {
        {L"C:\\logs\\L0706000.log", L"C:\\logs\\L0706000.log"},
        {L"C:/" + a + L"/" + b, L"\\\\?\\C:\\" + a + L"\\" + b},
        {L"C:\\" + a + L"\\x\\..\\.\\" + b, L"\\\\?\\C:\\" + a + L"\\" + b},
        {L"\\\\server\\share\\" + a + L"\\" + b, L"\\\\?\\UNC\\server\\share\\" + a + L"\\" + b},
        {L"\\\\?\\C:\\" + a + L"\\" + b, L"\\\\?\\C:\\" + a + L"\\" + b},
    };
    for (const auto& [given, expected] : cases)
        EXPECT_EQ(systemPath(std::filesystem::path(given)).native(), expected) << utf8FromPath(given);
#else
    GTEST_SKIP() << "POSIX takes a path of any length as it is";
#endif
}

} // namespace
} // namespace zelkam
