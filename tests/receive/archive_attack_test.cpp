// The archive writer against another user of the same machine, a crash and
// time: links, pipes and removed files planted under the archive, modes,
// torn last lines and sources that fall silent.

#include "receive/archive_writer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/temp_folder.h"

namespace zelkam::receive {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

const SourceAddress Server = SourceAddress::v4({127, 0, 0, 1}, 40001);
const std::string Folder = "127.0.0.1_40001";
const std::string A = "L 07/06/2001 - 20:00:00: \"Bob<1><STEAM_0:1:2><CT>\" say \"one\"";
const std::string B = "L 07/06/2001 - 20:00:01: \"Bob<1><STEAM_0:1:2><CT>\" say \"two\"";

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A writer on archive that keeps what it reports.
struct Writer {
    explicit Writer(const fs::path& archive, bool groupReadable = false) : writer(archive, groupReadable)
    {
        writer.setReporter([this](const std::string& text) { reports += text + '\n'; });
        std::string error;
        EXPECT_TRUE(writer.prepare(error)) << error;
    }
    ArchiveWriter writer;
    std::string reports;
};

TEST(ArchiveUnderAttack, APlantedLinkIsNotFollowed)
{
    TempFolder archive;
    TempFolder elsewhere;
    fs::create_directory_symlink(elsewhere.path(), archive.path() / Folder);
    Writer w(archive.path());
    EXPECT_FALSE(w.writer.write(Server, A));
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
    EXPECT_NE(w.reports.find("link or not a folder"), std::string::npos) << w.reports;

    // A link in place of a file of this run's: the lines go to a new file,
    // never through the link.
    fs::remove(archive.path() / Folder);
    ASSERT_TRUE(w.writer.write(Server, A));
    w.writer.closeAll();
    fs::remove(archive.path() / Folder / "L0706000.log");
    fs::create_symlink(elsewhere.path() / "target", archive.path() / Folder / "L0706001.log");
    ASSERT_TRUE(w.writer.write(Server, B));
    EXPECT_FALSE(fs::exists(elsewhere.path() / "target"));
    EXPECT_EQ(readAll(archive.path() / Folder / "L0706002.log"), B + "\n");
}

TEST(ArchiveUnderAttack, APipeInPlaceOfAClosedFileNeitherStallsNorSwallowsLines)
{
    TempFolder archive;
    // Few descriptors, so the writer closes files to make room early.
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    rlimit few = saved;
    few.rlim_cur = 40;
    setrlimit(RLIMIT_NOFILE, &few);
    Writer w(archive.path());
    setrlimit(RLIMIT_NOFILE, &saved);

    ASSERT_TRUE(w.writer.write(Server, A));
    // Other servers take every place; the server's file is closed.
    for (std::uint16_t port = 1; port <= 40; ++port)
        ASSERT_TRUE(w.writer.write(SourceAddress::v4({127, 0, 0, 2}, port), A));
    const fs::path file = archive.path() / Folder / "L0706000.log";
    fs::remove(file);
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    // A reader on the pipe, so a writer that opened it would not wait.
    const int reader = open(file.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(w.writer.write(Server, B));
    char byte = 0;
    EXPECT_LT(read(reader, &byte, 1), 1) << "a line went into the pipe";
    close(reader);
    EXPECT_EQ(readAll(archive.path() / Folder / "L0706001.log"), B + "\n");
    EXPECT_LE(w.writer.openFileCount(), 20u);
}

TEST(ArchiveUnderAttack, AFileRemovedWhileWrittenIsFollowedByTheNext)
{
    TempFolder archive;
    Writer w(archive.path());
    ASSERT_TRUE(w.writer.write(Server, A));
    fs::remove(archive.path() / Folder / "L0706000.log");
    ASSERT_TRUE(w.writer.write(Server, B));
    w.writer.closeAll();
    EXPECT_EQ(readAll(archive.path() / Folder / "L0706001.log"), B + "\n");
    EXPECT_NE(w.reports.find("removed"), std::string::npos) << w.reports;

    // The whole archive removed: made again.
    fs::remove_all(archive.path());
    ASSERT_TRUE(w.writer.write(Server, A));
    w.writer.closeAll();
    EXPECT_EQ(readAll(archive.path() / Folder / "L0706000.log"), A + "\n");
}

mode_t modeOf(const fs::path& path)
{
    struct stat status {};
    lstat(path.c_str(), &status);
    return status.st_mode & 07777;
}

TEST(ArchiveUnderAttack, OnlyTheOwnerReadsTheArchiveUnlessGroupReadable)
{
    struct Row {
        bool group;
        mode_t mask; // the user's; the modes made do not depend on it
    };
    const mode_t savedMask = umask(022);
    for (const Row row : {Row{false, 022}, Row{true, 022}, Row{true, 077}, Row{false, 0}}) {
        TempFolder parent;
        umask(row.mask);
        const fs::path archive = parent.path() / "made" / "archive";
        Writer w(archive, row.group);
        ASSERT_TRUE(w.writer.write(Server, A));
        umask(022);
        EXPECT_EQ(modeOf(archive), row.group ? 0750u : 0700u) << row.mask;
        EXPECT_EQ(modeOf(archive / Folder), row.group ? 0750u : 0700u) << row.mask;
        EXPECT_EQ(modeOf(archive / Folder / "L0706000.log"), row.group ? 0640u : 0600u) << row.mask;
        // The folders above are the user's, never open to others' changes.
        EXPECT_EQ(modeOf(parent.path() / "made") & 022, 0u) << row.mask;
    }
    umask(savedMask);
}

TEST(ArchiveUnderAttack, AnArchiveOthersCouldChangeIsRefused)
{
    const passwd* nobody = getpwnam("nobody");
    const bool asRoot = geteuid() == 0 && nobody;
    struct Row {
        const char* what;
        const char* archive;   // under the test's folder
        const char* says;      // empty when the archive is taken
        bool needsRoot = false;
    };
    // Each row's folders are made by prepareRow below, by name.
    const Row rows[] = {
        {"missing: made", "zarch", ""},
        {"the user's own, 0700", "own0700", ""},
        {"the user's own, 0750", "own0750", ""},
        {"others may write in it", "open0777", "chmod 700"},
        {"the group may write in it", "open0770", "chmod 700"},
        {"others may write in it, sticky", "open1777", "chmod 700"},
        {"a link to a folder of the user's", "link", "is a link"},
        {"a link on the way", "linked/zarch", "link on the way"},
        {"in a folder others may write in", "pub0777/zarch", "on the way"},
        {"in a sticky folder others may write in", "pub1777/zarch", ""},
        {"another user's, 0700", "nobody0700", "another user", true},
        {"another user's, planted in a sticky folder", "pub1777/planted", "another user", true},
        {"in another user's folder", "nobodys/zarch", "another user", true},
    };
    for (const Row& row : rows) {
        if (row.needsRoot && !asRoot)
            continue; // giving a folder to another user needs root
        TempFolder parent;
        const fs::path base = parent.path();
        const auto folder = [&](const char* name, mode_t mode) {
            fs::create_directory(base / name);
            chmod((base / name).c_str(), mode);
        };
        folder("own0700", 0700);
        folder("own0750", 0750);
        folder("open0777", 0777);
        folder("open0770", 0770);
        folder("open1777", 01777);
        folder("pub0777", 0777);
        folder("pub1777", 01777);
        folder("real", 0700);
        fs::create_directory_symlink(base / "real", base / "link");
        fs::create_directory_symlink(base / "real", base / "linked");
        if (asRoot) {
            folder("nobody0700", 0700);
            folder("nobodys", 0755);
            fs::create_directory(base / "pub1777" / "planted");
            chmod((base / "pub1777" / "planted").c_str(), 0777);
            for (const char* name : {"nobody0700", "nobodys", "pub1777/planted"})
                chown((base / name).c_str(), nobody->pw_uid, nobody->pw_gid);
        }
        ArchiveWriter writer(base / row.archive);
        std::string error;
        const bool taken = writer.prepare(error);
        EXPECT_EQ(taken, *row.says == 0) << row.what << ": " << error;
        if (!taken) {
            EXPECT_NE(error.find(row.says), std::string::npos) << row.what << ": " << error;
            // Nothing was made behind the refused path.
            EXPECT_TRUE(fs::is_empty(base / "real")) << row.what;
            EXPECT_FALSE(writer.write(Server, A)) << row.what;
        } else {
            EXPECT_TRUE(writer.write(Server, A)) << row.what;
        }
    }
}

// A file left as a receiver leaves one when it is killed while writing: its
// last line without the line end.
void cutLastLine(const fs::path& file)
{
    std::ofstream(file, std::ios::binary | std::ios::app) << "L 07/06/2001 - 19:00:00: \"Bob<1><STEAM_0:1:2><CT>\" say \"cut he";
}

TEST(ArchiveUnderAttack, OnlyAFileTheReceiverWroteHasItsTornLineEnded)
{
    enum class Left { ReceiversOwn, AdminsOwn, ReplacedUnderTheSameName };
    struct Row {
        const char* what;
        Left left;
        bool ended;
    };
    const Row rows[] = {
        {"the file a stopped receiver was writing", Left::ReceiversOwn, true},
        // Once given a line feed, with a message blaming a receiver.
        {"a file the admin put there", Left::AdminsOwn, false},
        {"the receiver's name, now another file", Left::ReplacedUnderTheSameName, false},
    };
    for (const Row& row : rows) {
        TempFolder archive;
        const fs::path folder = archive.path() / Folder;
        const fs::path cut = folder / "L0706000.log";
        if (row.left == Left::AdminsOwn) {
            fs::create_directory(folder);
            archive.write(Folder + "/L0706000.log", A + "\n");
        } else {
            Writer before(archive.path());
            ASSERT_TRUE(before.writer.write(Server, A));
        }
        if (row.left == Left::ReplacedUnderTheSameName) {
            fs::remove(cut);
            archive.write(Folder + "/L0706000.log", A + "\n");
        }
        cutLastLine(cut);
        const std::string left = readAll(cut);

        Writer w(archive.path());
        ASSERT_TRUE(w.writer.write(Server, B));
        w.writer.closeAll();
        EXPECT_EQ(readAll(cut), row.ended ? left + "\n" : left) << row.what;
        EXPECT_EQ(w.reports.find("cut off") != std::string::npos, row.ended) << row.what << ": " << w.reports;
        // The lines go to a new file either way.
        EXPECT_EQ(readAll(folder / "L0706001.log"), B + "\n") << row.what;
    }
}

// The receiver's own file moved to another user's folder and a link to it
// planted under its name: the file is the very one recorded, so only not
// following the link keeps the lines (and the line feed) out of that folder.
TEST(ArchiveUnderAttack, ALinkToTheCurrentFileMovedAwayIsNeverFollowed)
{
    for (const bool restarted : {false, true}) {
        TempFolder archive;
        TempFolder elsewhere;
        const fs::path current = archive.path() / Folder / "L0706000.log";
        const fs::path moved = elsewhere.path() / "moved.log";
        rlimit saved{};
        getrlimit(RLIMIT_NOFILE, &saved);
        rlimit few = saved;
        few.rlim_cur = 40;
        setrlimit(RLIMIT_NOFILE, &few);
        Writer w(archive.path());
        setrlimit(RLIMIT_NOFILE, &saved);
        ASSERT_TRUE(w.writer.write(Server, A));
        if (restarted) {
            w.writer.closeAll();
            cutLastLine(current);
        } else {
            // Other servers take every place: the file is closed, to be
            // opened again by name at the server's next line.
            for (std::uint16_t port = 1; port <= 40; ++port)
                ASSERT_TRUE(w.writer.write(SourceAddress::v4({127, 0, 0, 2}, port), A));
        }
        const std::string before = readAll(current);
        fs::rename(current, moved);
        fs::create_symlink(moved, current);

        if (restarted) {
            Writer again(archive.path());
            ASSERT_TRUE(again.writer.write(Server, B));
        } else {
            ASSERT_TRUE(w.writer.write(Server, B));
        }
        EXPECT_EQ(readAll(moved), before) << (restarted ? "after a restart" : "at the next line");
        EXPECT_EQ(readAll(archive.path() / Folder / "L0706001.log"), B + "\n");
    }
}

TEST(ArchiveUnderAttack, SourcesSilentForAnHourAreForgotten)
{
    TempFolder archive;
    Writer w(archive.path());
    auto now = std::chrono::steady_clock::time_point() + std::chrono::hours(100);
    w.writer.setClock([&] { return now; });
    const SourceAddress other = SourceAddress::v4({127, 0, 0, 1}, 40002);
    ASSERT_TRUE(w.writer.write(Server, A));
    now += std::chrono::minutes(30);
    ASSERT_TRUE(w.writer.write(other, A));
    now += std::chrono::minutes(31);
    ASSERT_TRUE(w.writer.write(other, B));
    EXPECT_EQ(w.writer.sourceCount(), 1u);
    EXPECT_EQ(w.writer.openFileCount(), 1u);
    // Heard again, it starts a file of its own as at its first line.
    ASSERT_TRUE(w.writer.write(Server, B));
    EXPECT_EQ(w.writer.sourceCount(), 2u);
    w.writer.closeAll();
    EXPECT_EQ(readAll(archive.path() / Folder / "L0706000.log"), A + "\n");
    EXPECT_EQ(readAll(archive.path() / Folder / "L0706001.log"), B + "\n");
    EXPECT_EQ(readAll(archive.path() / "127.0.0.1_40002" / "L0706000.log"), A + "\n" + B + "\n");
}

} // namespace
} // namespace zelkam::receive
