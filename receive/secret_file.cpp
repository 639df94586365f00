#include "receive/secret_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#if __has_include(<sys/random.h>)
#include <sys/random.h>
#endif

#include <cerrno>
#include <cstdint>
#include <system_error>

#include "receive/trusted_owner.h"

namespace zelkam::receive {
namespace {

// A secret file is a line, not a document.
constexpr off_t MaxSecretFileBytes = 4096;
constexpr int SecretDigits = 40;

std::string systemReason(int code) { return std::generic_category().message(code); }

std::string octalMode(mode_t mode)
{
    std::string text;
    for (int shift = 9; shift >= 0; shift -= 3)
        text += static_cast<char>('0' + ((mode >> shift) & 7));
    return text;
}

// The name chown takes for the user running the program.
std::string ownUserName()
{
    const passwd* entry = ::getpwuid(::geteuid());
    return entry && entry->pw_name ? entry->pw_name : std::to_string(::geteuid());
}

// Why the file behind status may not hold a secret, with the fix; empty
// when it may.
std::string untrustedReason(const std::string& path, const struct stat& status)
{
    if (!S_ISREG(status.st_mode) || status.st_size > MaxSecretFileBytes)
        return "the secret file " + path + " is not a regular file of at most 4 KiB";
    if (!isTrustedOwner(status.st_uid))
        return "the secret file " + path + " belongs to another user (uid " + std::to_string(status.st_uid)
               + "), who can change the secret; make it yours (chown " + ownUserName() + " " + path
               + ") and yours alone (chmod 600 " + path + ")";
    // Execution is no harm in itself, but a secret file has no use for any
    // bit of group or others: one rule, one fix.
    if (status.st_mode & (S_IRWXG | S_IRWXO))
        return "group or others can " + std::string(status.st_mode & (S_IWGRP | S_IWOTH) ? "change" : "read")
               + " the secret file " + path + " (mode " + octalMode(status.st_mode & 07777)
               + "); make it yours alone (chmod 600 " + path + ")";
    return {};
}

// One random decimal digit from `minimum` to 9, drawn without bias: bytes
// past the last whole run of the digits' count are drawn again.
bool randomDigit(int minimum, char& digit)
{
    const unsigned count = 10 - static_cast<unsigned>(minimum);
    const unsigned limit = 256 - 256 % count;
    for (;;) {
        std::uint8_t byte = 0;
        if (::getentropy(&byte, 1) != 0)
            return false;
        if (byte < limit) {
            digit = static_cast<char>('0' + minimum + byte % count);
            return true;
        }
    }
}

} // namespace

bool readSecretFile(const std::string& path, std::string& secret, std::string& error)
{
    // Never waits on a pipe put in the file's place; a link is followed to
    // a file that must pass the same rules.
    const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file < 0) {
        error = "cannot read the secret file " + path + ": " + systemReason(errno);
        return false;
    }
    struct stat status {};
    std::string text(static_cast<std::size_t>(MaxSecretFileBytes), '\0');
    ssize_t size = -1;
    // The checks look at the file opened, not at a name that may change.
    if (::fstat(file, &status) != 0)
        error = "cannot read the secret file " + path + ": " + systemReason(errno);
    else
        error = untrustedReason(path, status);
    if (error.empty() && (size = ::read(file, text.data(), text.size())) < 0)
        error = "cannot read the secret file " + path + ": " + systemReason(errno);
    ::close(file);
    if (!error.empty())
        return false;
    text.resize(static_cast<std::size_t>(size));
    text = text.substr(0, text.find('\n'));
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    if (text.empty()) {
        error = "the secret file " + path + " holds no secret";
        return false;
    }
    secret = text;
    return true;
}

bool makeSecret(std::string& secret)
{
    std::string made(SecretDigits, '0');
    for (int i = 0; i < SecretDigits; ++i) {
        if (!randomDigit(i == 0 ? 1 : 0, made[static_cast<std::size_t>(i)]))
            return false;
    }
    secret = made;
    return true;
}

bool writeNewSecretFile(const std::string& path, const std::string& secret, std::string& error)
{
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (file < 0) {
        error = errno == EEXIST ? path + " already exists; the secret is written only into a new file"
                                : "cannot make the secret file " + path + ": " + systemReason(errno);
        return false;
    }
    // The mask could have taken the owner's own bits away.
    const std::string line = secret + '\n';
    bool written = ::fchmod(file, 0600) == 0;
    int reason = errno;
    if (written) {
        errno = 0;
        written = ::write(file, line.data(), line.size()) == static_cast<ssize_t>(line.size()) && ::fsync(file) == 0;
        reason = errno != 0 ? errno : ENOSPC;
    }
    if (::close(file) != 0 && written) {
        written = false;
        reason = errno;
    }
    if (!written) {
        ::unlink(path.c_str());
        error = "cannot write the secret file " + path + ": " + systemReason(reason);
        return false;
    }
    return true;
}

} // namespace zelkam::receive
