#include "receive/archive_writer.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/temp_folder.h"

namespace zelkam::receive {
namespace {

using test::TempFolder;

// Files may grow to `bytes` while the object lives, as on a disk that has
// that much room left; going past it cuts a write short.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        set(bytes);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        signal(SIGXFSZ, previousHandler_);
    }
    void set(rlim_t bytes)
    {
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

std::string readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(ArchiveWriter, AFullDiskLeavesNoPartLineAndWritingResumes)
{
    TempFolder archive;
    ArchiveWriter writer(archive.path());
    std::string reports;
    writer.setReporter([&](const std::string& problem) { reports += problem + '\n'; });
    std::string error;
    ASSERT_TRUE(writer.prepare(error)) << error;
    const SourceAddress source = SourceAddress::v4({203, 0, 113, 5}, 27015);
    const std::string a = "L 07/06/2001 - 20:00:00: first line";  // 36 bytes with its line feed
    const std::string b = "L 07/06/2001 - 20:00:01: second line"; // 37 with its line feed
    const std::string c = "L 07/06/2001 - 20:00:02: third line";  // 36, past the 90 bytes of room
    {
        FileSizeLimit room(90);
        EXPECT_TRUE(writer.write(source, a));
        EXPECT_TRUE(writer.write(source, b));
        // Only part of this one fits: it is taken back, not left half written.
        EXPECT_FALSE(writer.write(source, c));
        EXPECT_FALSE(writer.write(source, c));
        room.set(RLIM_INFINITY);
        EXPECT_TRUE(writer.write(source, c));
    }
    writer.closeAll();
    EXPECT_EQ(readAll(archive.path() / "203.0.113.5_27015" / "L0706000.log"), a + "\n" + b + "\n" + c + "\n");
    // Told once when it failed and once when it worked again.
    EXPECT_NE(reports.find("cannot write to"), std::string::npos) << reports;
    EXPECT_EQ(reports.find("cannot write to"), reports.rfind("cannot write to")) << reports;
    EXPECT_NE(reports.find("again"), std::string::npos) << reports;
}

} // namespace
} // namespace zelkam::receive
