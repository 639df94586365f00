// The secret file's rules against modes and owners of files the test makes,
// and a new secret written without ever replacing anything.

#include "receive/secret_file.h"

#include <gtest/gtest.h>

#include <pwd.h>
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

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(SecretFile, OnlyAFileNoOneElseCanReadOrChangeHoldsTheSecret)
{
    struct Row {
        mode_t mode;
        const char* says; // empty when the secret is taken
    };
    // 0602, 0620 and 0622 once passed: only reading by others was refused.
    const Row rows[] = {
        {0600, ""},          {0400, ""},          {0640, "chmod 600"}, {0604, "chmod 600"}, {0602, "chmod 600"},
        {0620, "chmod 600"}, {0622, "chmod 600"}, {0610, "chmod 600"}, {0666, "chmod 600"},
    };
    for (const Row& row : rows) {
        TempFolder folder;
        const fs::path file = folder.write("secret", "8731946205\n");
        ASSERT_EQ(chmod(file.c_str(), row.mode), 0);
        std::string secret;
        std::string error;
        const bool taken = readSecretFile(file.string(), secret, error);
        EXPECT_EQ(taken, *row.says == 0) << std::oct << row.mode << ": " << error;
        if (taken)
            EXPECT_EQ(secret, "8731946205");
        else
            EXPECT_NE(error.find(row.says), std::string::npos) << std::oct << row.mode << ": " << error;
    }
}

TEST(SecretFile, AFileAnotherUserOwnsIsRefused)
{
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() != 0 || !nobody)
        GTEST_SKIP() << "giving a file to another user needs root and a user nobody";
    TempFolder folder;
    const fs::path file = folder.write("secret", "8731946205\n");
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
    std::string secret;
    std::string error;
    ASSERT_TRUE(readSecretFile(file.string(), secret, error)) << "root's own file: " << error;
    // nobody could have rewritten the secret: refused though its mode is
    // right and root may read anything.
    ASSERT_EQ(chown(file.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    EXPECT_FALSE(readSecretFile(file.string(), secret, error));
    EXPECT_NE(error.find("another user"), std::string::npos) << error;
    EXPECT_NE(error.find("chown root"), std::string::npos) << error;
}

TEST(SecretFile, APipeOrAFolderIsNoSecretFile)
{
    TempFolder folder;
    const fs::path pipe = folder.path() / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const fs::path& path : {pipe, folder.path()}) {
        std::string secret;
        std::string error;
        EXPECT_FALSE(readSecretFile(path.string(), secret, error)) << path;
        EXPECT_NE(error.find("regular file"), std::string::npos) << error;
    }
}

TEST(SecretFile, ANewSecretIsLongRandomDigitsInAFileOfItsOwn)
{
    std::string first;
    std::string second;
    ASSERT_TRUE(makeSecret(first));
    ASSERT_TRUE(makeSecret(second));
    // 40 digits, the first not 0: more than 128 bits, and a number as the
    // server reads it.
    EXPECT_EQ(first.size(), 40u);
    EXPECT_EQ(first.find_first_not_of("0123456789"), std::string::npos) << first;
    EXPECT_NE(first[0], '0');
    EXPECT_NE(first, second);

    TempFolder folder;
    const mode_t savedMask = umask(0277); // a mask that would leave the owner unable to read it
    const fs::path file = folder.path() / "secret";
    std::string error;
    const bool written = writeNewSecretFile(file.string(), first, error);
    umask(savedMask);
    ASSERT_TRUE(written) << error;
    struct stat status {};
    ASSERT_EQ(stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    std::string read;
    ASSERT_TRUE(readSecretFile(file.string(), read, error)) << error;
    EXPECT_EQ(read, first);

    // Never replaced, nor written through a link.
    EXPECT_FALSE(writeNewSecretFile(file.string(), second, error));
    EXPECT_NE(error.find("already exists"), std::string::npos) << error;
    EXPECT_EQ(readAll(file), first + "\n");
    const fs::path link = folder.path() / "link";
    fs::create_symlink(folder.path() / "target", link);
    EXPECT_FALSE(writeNewSecretFile(link.string(), second, error));
    EXPECT_FALSE(fs::exists(folder.path() / "target"));
}

} // namespace
} // namespace zelkam::receive
