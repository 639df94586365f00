// Arbitrary datagrams from arbitrary senders through the receiver's rules
// and its writer: every datagram is either written whole, as the line it
// carries plus a line feed, or counted under one reason; nothing is written
// anywhere but in a source's folder of the archive, under a server-style
// file name.
//
// Input: one byte choosing the policy and the address family, then the
// address (4 or 16 bytes) and the port (2 bytes), then the datagram.

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "receive/archive_writer.h"
#include "receive/datagram.h"
#include "receive/filing.h"

using namespace zelkam;
using namespace zelkam::receive;

namespace {

ReceivePolicy policyFor(int choice)
{
    ReceivePolicy policy;
    AllowedNetwork network;
    switch (choice) {
    case 0:
        policy.allowAny = true;
        break;
    case 1:
        policy.secret = "s3cret";
        break;
    case 2:
        policy.secret = "s3cret";
        parseAllowedNetwork("10.0.0.0/8", network);
        policy.allowed = {network};
        break;
    default:
        parseAllowedNetwork("2001:db8::/32", network);
        policy.allowed = {network};
        break;
    }
    return policy;
}

bool isFolderCharacter(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == '.' || c == '-' || c == '_';
}

// As the writer names files: upper case, digits, ".log".
bool isWrittenFileName(std::string_view name)
{
    if (name.size() != 12 || name[0] != 'L' || name.substr(8) != ".log")
        return false;
    return std::all_of(name.begin() + 1, name.begin() + 8, [](char c) { return c >= '0' && c <= '9'; });
}

// Every entry of the archive is a source folder holding log files only, and
// the receiver's record of the file it writes there.
void checkArchive(const std::filesystem::path& archive)
{
    std::error_code error;
    for (const auto& folder : std::filesystem::directory_iterator(archive, error)) {
        const std::string name = folder.path().filename().string();
        if (!folder.is_directory() || name.empty() || name[0] == '.' || name.find('_') == std::string::npos
            || !std::all_of(name.begin(), name.end(), isFolderCharacter))
            __builtin_trap();
        for (const auto& file : std::filesystem::directory_iterator(folder.path(), error)) {
            const std::string fileName = file.path().filename().string();
            if (!file.is_regular_file()
                || (!isWrittenFileName(fileName) && fileName != zelkam::receive::ReceiverRecordName))
                __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::useFuzzTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder scratch;
    static const std::filesystem::path archive = scratch.path() / "archive";
    static ArchiveWriter writer(archive);
    static const bool prepared = [] {
        std::string error;
        return writer.prepare(error);
    }();
    if (!prepared)
        __builtin_trap();
    static std::uint64_t runs = 0;
    static std::uint64_t written = 0;
    static std::uint64_t dropped = 0;

    std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto take = [&](std::size_t count) {
        std::string_view part = input.substr(0, std::min(count, input.size()));
        input.remove_prefix(part.size());
        return part;
    };
    const std::string_view head = take(1);
    const int choice = head.empty() ? 0 : static_cast<unsigned char>(head[0]);
    const bool isV6 = choice & 4;
    std::array<std::uint8_t, 16> bytes{};
    const std::string_view address = take(isV6 ? 16 : 4);
    std::memcpy(bytes.data(), address.data(), address.size());
    const std::string_view portBytes = take(2);
    std::uint16_t port = 0;
    for (char c : portBytes)
        port = static_cast<std::uint16_t>(port << 8 | static_cast<unsigned char>(c));
    const SourceAddress source = isV6 ? SourceAddress::v6(bytes, port)
                                      : SourceAddress::v4({bytes[0], bytes[1], bytes[2], bytes[3]}, port);
    const std::string_view datagram = input;

    // The folder comes from the address alone and cannot leave the archive.
    const std::string folder = sourceFolderName(source);
    if (folder.empty() || folder[0] == '.' || !std::all_of(folder.begin(), folder.end(), isFolderCharacter)
        || !folder.ends_with("_" + std::to_string(port)))
        __builtin_trap();

    ++runs;
    std::string_view line;
    const ReceivePolicy policy = policyFor(choice & 3);
    const std::optional<DropReason> reason = acceptDatagram(policy, source, datagram, line);
    // What a report shows of a datagram never holds the secret.
    if (policy.secret && shownDatagram(policy, datagram, 160).find(*policy.secret) != std::string::npos)
        __builtin_trap();
    if (reason) {
        if (static_cast<int>(*reason) < 0 || static_cast<int>(*reason) >= DropReasonCount)
            __builtin_trap();
        ++dropped;
    } else {
        // The line is the datagram's own bytes between the framing and a
        // tail of NULs and line feeds, with no line break inside.
        if (line.data() < datagram.data() || line.data() + line.size() > datagram.data() + datagram.size())
            __builtin_trap();
        const std::string_view tail = datagram.substr(line.data() - datagram.data() + line.size());
        if (tail.find_first_not_of(std::string_view("\0\n", 2)) != std::string_view::npos
            || line.find('\n') != std::string_view::npos)
            __builtin_trap();
        int month = 0;
        int day = 0;
        if (!readLineDate(line, month, day) || !isLogFileName(logFileName(month, day, 0)))
            __builtin_trap();
        if (writer.write(source, line))
            ++written;
        else
            ++dropped;
    }
    if (written + dropped != runs)
        __builtin_trap();

    // Now and then the archive is checked and emptied, so the folder stays
    // small and files of every date keep being started.
    if (runs % 256 == 0) {
        writer.closeAll();
        checkArchive(archive);
        // Beside the archive, nothing.
        for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
            if (entry.path() != archive)
                __builtin_trap();
        }
        scratch.clear();
    }
    return 0;
}
