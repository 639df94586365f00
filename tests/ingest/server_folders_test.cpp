#include "ingest/server_folders.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ingest/open_file.h"
#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

using test::TempFolder;

void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> namesOf(const ServerFolders& found)
{
    std::vector<std::string> names;
    for (const ServerFolder& server : found.servers)
        names.push_back(server.name);
    return names;
}

// Each row lays out a folder (paths relative to it, "/" ending a folder
// made empty) and what the lister makes of it.
TEST(ServerFolders, SingleServerOrCommunity)
{
    const std::string nonUtf8 = "war\xFF\xFE";
    struct Case {
        const char* what;
        std::vector<std::string> files;
        bool community;
        std::vector<std::string> servers;
    };
    const std::vector<Case> cases = {
        {"logs of its own: one server, as always", {"L0706000.log", "notes.txt"}, false, {""}},
        {"logs of its own win over server folders beside them", {"L0706000.log", "a/L0706000.log"}, false, {""}},
        {"archived logs count as logs", {"pub/L0706000.log.gz"}, true, {"pub"}},
        {"receiver's folders, sorted by name", {"10.0.0.2_27015/L0706000.log", "10.0.0.1_27016/L0706001.log"},
         true, {"10.0.0.1_27016", "10.0.0.2_27015"}},
        {"empty and log-less subfolders are passed over", {"empty/", "docs/readme.txt", "war/L0706000.log"}, true,
         {"war"}},
        {"one level only: a server inside a subfolder is not one", {"old/2019/L0706000.log", "pub/L0706000.log"},
         true, {"pub"}},
        {"nothing at any level looked at", {"a/b/L0706000.log", "readme.txt"}, false, {}},
        {"a name that is not UTF-8", {nonUtf8 + "/L0706000.log"}, true, {utf8FromPath(nonUtf8)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder temp;
        for (const std::string& file : c.files) {
            if (file.back() == '/')
                std::filesystem::create_directories(temp.path() / file);
            else
                writeFile(temp.path() / file, "L 07/06/2001 - 09:00:00: \"a<1><STEAM_0:0:1><CT>\" say \"hi\"\n");
        }
        ServerFolders found;
        std::error_code error;
        ASSERT_TRUE(listServerFolders(temp.path(), found, error));
        EXPECT_EQ(found.community, c.community);
        EXPECT_EQ(namesOf(found), c.servers);
        for (const ServerFolder& server : found.servers) {
            // Each server's path is where its logs are.
            EXPECT_TRUE(std::filesystem::is_directory(server.path));
            EXPECT_EQ(found.find(server.name), &server);
        }
    }
}

TEST(ServerFolders, ServerThatAppearsIsFoundByTheNextListing)
{
    TempFolder temp;
    writeFile(temp.path() / "pub/L0706000.log", "x\n");
    ServerFolders found;
    std::error_code error;
    ASSERT_TRUE(listServerFolders(temp.path(), found, error));
    EXPECT_EQ(namesOf(found), std::vector<std::string>{"pub"});
    // A new server starts streaming: its folder first stands empty.
    std::filesystem::create_directories(temp.path() / "dm");
    ASSERT_TRUE(listServerFolders(temp.path(), found, error));
    EXPECT_EQ(namesOf(found), std::vector<std::string>{"pub"});
    writeFile(temp.path() / "dm/L0706000.log", "x\n");
    ASSERT_TRUE(listServerFolders(temp.path(), found, error));
    EXPECT_EQ(namesOf(found), (std::vector<std::string>{"dm", "pub"}));
    EXPECT_FALSE(listServerFolders(temp.path() / "missing", found, error));
}

TEST(ServerFolders, HostnameAsTheLogStatesIt)
{
    struct Case {
        const char* what;
        std::string text;
        bool stated;
        std::string hostname;
    };
    const std::string stamp = "L 07/06/2001 - 09:00:00: ";
    const std::vector<Case> cases = {
        {"stated", stamp + "Server cvar \"hostname\" = \"Public #1\"\n", true, "Public #1"},
        {"the last statement wins, a quote inside kept, CR LF line end",
         stamp + "Server cvar \"hostname\" = \"old\"\n" + stamp + "Server cvar \"hostname\" = \"say \"hi\"\"\r\n", true,
         "say \"hi\""},
        {"another cvar only", stamp + "Server cvar \"mp_timelimit\" = \"20\"\n", false, ""},
        {"an unfinished line is not a statement", stamp + "Server cvar \"hostname\" = \"half", false, ""},
        {"a player saying the words", stamp + "\"a<1><STEAM_0:0:1><CT>\" say \"Server cvar \"hostname\" = \"x\"\"\n",
         false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder temp;
        writeFile(temp.path() / "L0706000.log", c.text);
        std::string hostname;
        EXPECT_EQ(readServerHostname(temp.path() / "L0706000.log", hostname), c.stated);
        EXPECT_EQ(hostname, c.hostname);
    }
}

TEST(ServerFolders, TailStartsAtAWholeLine)
{
    TempFolder temp;
    writeFile(temp.path() / "L0706000.log", "first line\nsecond\nthird\n");
    std::string text;
    ASSERT_TRUE(readFileTail(temp.path() / "L0706000.log", 100, text));
    EXPECT_EQ(text, "first line\nsecond\nthird\n");
    ASSERT_TRUE(readFileTail(temp.path() / "L0706000.log", 10, text));
    EXPECT_EQ(text, "third\n");
    EXPECT_FALSE(readFileTail(temp.path() / "none.log", 10, text));
}

} // namespace
} // namespace zelkam
