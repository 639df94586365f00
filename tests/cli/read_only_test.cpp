// The log folder is the server's own: nothing the viewer or zelkam-cli does
// may create, change or delete anything in it.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "parse/time_stamp.h"
#include "replay/viewer_state.h"
#include "tests/cli/cli_process.h"
#include "tests/cli/run_cli.h"
#include "tests/support/compression.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"
#include "tools/loggen/log_generator.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

// Everything observable about one entry of the folder tree.
struct EntryState {
    std::string type;
    std::uintmax_t size = 0;
    long long modifiedNs = 0;
    long long changedNs = 0;
    unsigned mode = 0;
    std::string contents; // a file's bytes, a link's target
    bool operator==(const EntryState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const EntryState& e)
{
    return out << e.type << " size " << e.size << " mtime " << e.modifiedNs << " ctime " << e.changedNs << " mode "
               << std::oct << e.mode << std::dec << " (" << e.contents.size() << " bytes of contents)";
}

// The folder and everything under it, by path relative to it, links not
// followed; the folder itself is "." (its time changes with any entry made
// or removed in it).
std::map<std::string, EntryState> treeOf(const std::filesystem::path& root)
{
    std::map<std::string, EntryState> tree;
    const auto record = [&](const std::filesystem::path& path, const std::string& key) {
        struct stat info {};
        EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
        EntryState& entry = tree[key];
        entry.size = static_cast<std::uintmax_t>(info.st_size);
        entry.modifiedNs = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
        entry.changedNs = static_cast<long long>(info.st_ctim.tv_sec) * 1000000000LL + info.st_ctim.tv_nsec;
        entry.mode = info.st_mode;
        if (S_ISLNK(info.st_mode)) {
            entry.type = "link";
            entry.contents = std::filesystem::read_symlink(path).string();
        } else if (S_ISDIR(info.st_mode)) {
            entry.type = "directory";
        } else if (S_ISREG(info.st_mode)) {
            entry.type = "file";
            std::ifstream in(path, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            entry.contents = bytes.str();
        } else {
            entry.type = "other";
        }
    };
    record(root, ".");
    for (auto it = std::filesystem::recursive_directory_iterator(root); it != std::filesystem::recursive_directory_iterator();
         ++it)
        record(it->path(), std::filesystem::relative(it->path(), root).string());
    return tree;
}

// A folder as servers and admins leave them: three generated evenings, plus
// an empty log, a half-written one, a note, a link to a log, a dangling link,
// a directory named like a log holding a log, a FIFO named like one, and
// archived logs.
void writeFolder(const TempFolder& folder)
{
    LogGenOptions options;
    options.seed = 7;
    options.days = 3;
    options.linesPerDay = 400;
    options.maxPlayers = 10;
    ASSERT_TRUE(generateLogFolder(folder.path(), options));
    folder.write("L0705000.log", "");
    folder.write("L0709000.log", "L 07/09/2001 - 20:00:00: \"Bob<1><2><CT>\" say \"half");
    folder.write("notes.txt", "server moved\n");
    std::filesystem::create_symlink("L0706000.log", folder.path() / "L0706900.log");
    std::filesystem::create_symlink("gone.log", folder.path() / "L0706901.log");
    std::filesystem::create_directory(folder.path() / "L0707900.log");
    folder.write("L0707900.log/L0707000.log", "L 07/07/2001 - 20:00:00: \"Bob<1><2><CT>\" say \"inside\"\n");
    ASSERT_EQ(mkfifo((folder.path() / "L0708900.log").c_str(), 0600), 0);
    // Rotated archives: a day of its own in each format, the twin of a
    // plain log, a truncated one and a FIFO named like one.
    const std::string evening = lineAt("07/10/2001", "20:00:00", "\"Bob<1><2><CT>\" say \"archived\"")
                                + lineAt("07/10/2001", "20:00:05", "\"Bob<1><2><CT>\" say \"again\"");
    folder.write("L0710000.log.gz", gzipped(evening));
    folder.write("L0710001.log.xz", xzCompressed(evening));
    folder.write("L0710002.log.zst", zstdCompressed(evening));
    std::ifstream twin(folder.path() / "L0706000.log", std::ios::binary);
    folder.write("L0706000.log.gz", gzipped(std::string(std::istreambuf_iterator<char>(twin), {})));
    const std::string cut = xzCompressed(evening);
    folder.write("L0710003.log.xz", cut.substr(0, cut.size() - 20));
    ASSERT_EQ(mkfifo((folder.path() / "L0708901.log.zst").c_str(), 0600), 0);
}

// Every operation of the model on every day of the folder.
void useEveryDay(ViewerState& state, const std::string& folder)
{
    ASSERT_TRUE(state.loadFolder(folder));
    ASSERT_GE(state.days().size(), 3u);
    for (std::size_t d = 0; d <= state.days().size(); ++d) {
        state.loadDayAt(d);
        state.command(PlaybackCommand::Fastest);
        for (int i = 0; i < 200; ++i)
            state.tick();
        state.command(PlaybackCommand::Rewind);
        for (int i = 0; i < 20; ++i)
            state.tick();
        for (int minute = 0; minute <= 1440; minute += 90)
            state.seekMinute(minute);
        for (int kind = 0; kind < 4; ++kind) {
            state.seekMinute(0);
            while (state.find(static_cast<SearchKind>(kind), "", false)) {
            }
            state.seekMinute(0);
            state.find(static_cast<SearchKind>(kind), "a", true);
        }
    }
    state.unload();
    ASSERT_TRUE(state.loadFolder(folder));
}

TEST(ReadOnly, NothingInTheLogFolderChanges)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder folder;
    writeFolder(folder);
    const auto before = treeOf(folder.path());

    auto state = std::make_unique<ViewerState>();
    useEveryDay(*state, folder.string());

    const std::string f = folder.string();
    std::vector<Strings> runs = {{"days", f}, {"grep", f, "a"}, {"grep", f, "--kind", "player", "--case", "B"},
                                 {"grep", f, "--kind", "rconuser", ""}, {"grep", f, "--kind", "rconcmd", ""}};
    for (std::int32_t day : state->days()) {
        std::tm fields{};
        ASSERT_TRUE(toLocalTime(day, fields));
        char date[32];
        std::snprintf(date, sizeof date, "%02d/%02d/%04d", fields.tm_mday, fields.tm_mon + 1, fields.tm_year + 1900);
        runs.push_back({"events", f, date});
        runs.push_back({"chat", f, date});
        runs.push_back({"replay", f, date, "cmd:5", "tick:100", "cmd:1", "tick:5", "minute:1200", "seek:21:30:00",
                        "find:chat:a", "findcase:player:B", "find:rconuser:", "find:rconcmd:", "day:" + std::string(date)});
    }
    for (const Strings& args : runs) {
        const CliResult result = runCli(args, "Europe/Berlin");
        EXPECT_EQ(result.status, 0) << args[0] << " " << args.back() << ": " << result.err;
    }

    const auto after = treeOf(folder.path());
    EXPECT_EQ(after.size(), before.size()) << "no entry made or removed";
    for (const auto& [path, entry] : before) {
        const auto found = after.find(path);
        ASSERT_NE(found, after.end()) << path << " is gone";
        EXPECT_EQ(found->second, entry) << path;
    }
    for (const auto& [path, entry] : after)
        EXPECT_TRUE(before.count(path)) << path << " is new";
}

// Files of the folder that the process has open now.
Strings openFilesIn(pid_t pid, const std::filesystem::path& folder)
{
    Strings open;
    std::error_code error;
    const std::filesystem::path canonicalFolder = std::filesystem::canonical(folder, error);
    for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const std::filesystem::path target = std::filesystem::read_symlink(fd.path(), error);
        if (!error && target.string().rfind(canonicalFolder.string(), 0) == 0)
            open.push_back(target.string());
    }
    return open;
}

TEST(ReadOnly, FollowingChangesNothingAndHoldsNoFileOpen)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder folder;
    writeFolder(folder);
    const auto before = treeOf(folder.path());

    auto state = std::make_unique<ViewerState>();
    ASSERT_TRUE(state->loadFolder(folder.string()));
    for (std::size_t d = 0; d < state->days().size(); ++d) {
        state->loadDayAt(d);
        state->follow();
        state->goLive();
        state->follow();
    }

    for (const Strings& options : {Strings{}, Strings{"--from", "01/01/2001", "--kind", "events"}}) {
        Strings args{"follow", folder.string()};
        args.insert(args.end(), options.begin(), options.end());
        CliProcess follow(args, "Europe/Berlin");
        EXPECT_TRUE(follow.readLine()) << follow.errors();
        // The days before the live one come first; a day read from archives
        // can print nothing for a while, longer under the sanitizers.
        while (follow.readLine(std::chrono::milliseconds(1500))) {
        }
        // Between its looks at the folder it holds nothing open there, so
        // the server can rotate, rename and remove its logs at will.
        for (int sample = 0; sample < 3; ++sample) {
            std::this_thread::sleep_for(std::chrono::milliseconds(120));
            EXPECT_EQ(openFilesIn(follow.pid(), folder.path()), Strings{});
        }
        EXPECT_EQ(follow.stop(SIGINT), 0) << follow.errors();
    }

    const auto after = treeOf(folder.path());
    EXPECT_EQ(after, before);
}

} // namespace
} // namespace zelkam
