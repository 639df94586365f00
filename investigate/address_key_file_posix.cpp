#include "investigate/address_names.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if __has_include(<sys/random.h>)
#include <sys/random.h>
#endif

namespace zelkam {
namespace {

constexpr const char* KeyFileName = "address-key";

bool readKey(int file, const std::string& path, std::array<std::uint8_t, 32>& key, std::string& error)
{
    struct stat status {};
    if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = path + " is not a regular file";
        return false;
    }
    if ((status.st_mode & 077) != 0 || status.st_uid != ::getuid()) {
        error = path + " must be yours alone (chmod 600 " + path + ")";
        return false;
    }
    std::uint8_t bytes[33];
    const ssize_t got = ::read(file, bytes, sizeof bytes);
    if (got != 32) {
        error = path + " does not hold a key of 32 bytes";
        return false;
    }
    std::memcpy(key.data(), bytes, 32);
    return true;
}

} // namespace

bool loadOrMakeAddressKey(const std::string& folder, std::array<std::uint8_t, 32>& key, std::string& error)
{
    if (folder.empty()) {
        error = "no settings folder for the address key (set XDG_CONFIG_HOME or HOME)";
        return false;
    }
    std::error_code code;
    if (!std::filesystem::is_directory(folder, code)) {
        std::filesystem::create_directories(folder, code);
        if (code) {
            error = "cannot make " + folder + ": " + code.message();
            return false;
        }
        ::chmod(folder.c_str(), 0700);
    }
    const std::string path = folder + "/" + KeyFileName;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int existing = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (existing >= 0) {
            const bool read = readKey(existing, path, key, error);
            ::close(existing);
            return read;
        }
        if (errno != ENOENT) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            return false;
        }
        // Made with O_EXCL: of two programs starting at once, one makes the
        // key and the other reads it on the second round.
        const int made = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
        if (made < 0) {
            if (errno == EEXIST)
                continue;
            error = "cannot make " + path + ": " + std::strerror(errno);
            return false;
        }
        const bool written = ::getentropy(key.data(), key.size()) == 0 && ::fchmod(made, 0600) == 0 &&
                             ::write(made, key.data(), key.size()) == static_cast<ssize_t>(key.size());
        const bool closed = ::close(made) == 0;
        if (!written || !closed) {
            ::unlink(path.c_str());
            error = "cannot write " + path;
            return false;
        }
        return true;
    }
    error = "cannot read " + path;
    return false;
}

} // namespace zelkam
