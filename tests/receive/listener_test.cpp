// The receiver on 127.0.0.1: datagrams sent as servers send them, and what
// lands in the archive, byte for byte.

#include "receive/listener.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/receive/receiving_listener.h"
#include "tests/receive/udp_sender.h"
#include "tests/support/temp_folder.h"

namespace zelkam::receive {
namespace {

using namespace std::string_literals;
using test::ReceivingListener;
using test::TempFolder;
using test::UdpSender;
using Files = std::map<std::string, std::string>; // path under the archive → bytes

std::string framed(std::string_view mark, std::string_view rest) { return "\xFF\xFF\xFF\xFF"s.append(mark).append(rest); }

std::string stamped(std::string_view date, std::string_view time, std::string_view rest)
{
    return "L "s.append(date).append(" - ").append(time).append(": ").append(rest);
}

// Every log file under the archive with its bytes (not the receiver's
// record of the file it writes).
Files filesUnder(const std::filesystem::path& archive)
{
    Files files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(archive)) {
        if (!entry.is_regular_file() || entry.path().filename() == ReceiverRecordName)
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[std::filesystem::relative(entry.path(), archive).generic_string()] = bytes.str();
    }
    return files;
}

ReceivePolicy allowAny()
{
    ReceivePolicy policy;
    policy.allowAny = true;
    return policy;
}

std::uint64_t dropped(const ReceiveCounts& counts, DropReason reason)
{
    return counts.dropped[static_cast<std::size_t>(reason)];
}

// Sends the datagrams one by one and waits until each has been judged, so a
// burst cannot overflow the socket and the order in the files is the order
// sent.
void sendAll(const ReceivingListener& receiver, UdpSender& sender, const std::vector<std::string>& datagrams)
{
    std::uint64_t before = receiver.counts().written + receiver.counts().droppedTotal();
    for (const std::string& datagram : datagrams) {
        ASSERT_TRUE(sender.send(receiver.port(), datagram));
        ASSERT_TRUE(receiver.waitForOutcomes(++before)) << "datagram not judged in time";
    }
}

std::string folderOf(const UdpSender& sender) { return "127.0.0.1_" + std::to_string(sender.port()); }

TEST(Listener, FramingsSecretsAndSourcesOverTheWire)
{
    const std::string a = stamped("07/06/2001", "20:00:00", "\"Bob<1><STEAM_0:1:2><CT>\" say \"one\"");
    const std::string b = stamped("07/06/2001", "20:00:01", "\"Bob<1><STEAM_0:1:2><CT>\" say \"two\"");

    {
        TempFolder archive;
        ReceivePolicy policy;
        policy.secret = "s3cret";
        ReceivingListener receiver(archive.path(), policy);
        UdpSender sender;
        sendAll(receiver, sender,
                {framed("Ss3cret", a + "\n\0"s), framed("Sguess", b), framed("R", b), framed("log ", b),
                 framed("S", b), framed("Ss3cret", b + "\n")});
        receiver.stop();
        const ReceiveCounts counts = receiver.counts();
        EXPECT_EQ(counts.received, 6u);
        EXPECT_EQ(counts.written, 2u);
        EXPECT_EQ(dropped(counts, DropReason::WrongSecret), 4u);
        EXPECT_EQ(filesUnder(archive.path()), (Files{{folderOf(sender) + "/L0706000.log", a + "\n" + b + "\n"}}));
    }
    {
        // Both framings of servers without a secret, from an allowed
        // network; then from outside it.
        TempFolder archive;
        ReceivePolicy policy;
        AllowedNetwork loopback;
        ASSERT_TRUE(parseAllowedNetwork("127.0.0.0/8", loopback));
        policy.allowed = {loopback};
        ReceivingListener receiver(archive.path(), policy);
        UdpSender sender;
        sendAll(receiver, sender, {framed("log ", a + "\n"), framed("R", b + "\n"), framed("Ss3cret", b)});
        receiver.stop();
        EXPECT_EQ(receiver.counts().written, 2u);
        EXPECT_EQ(dropped(receiver.counts(), DropReason::WrongSecret), 1u);
        EXPECT_EQ(filesUnder(archive.path()), (Files{{folderOf(sender) + "/L0706000.log", a + "\n" + b + "\n"}}));

        TempFolder elsewhere;
        ASSERT_TRUE(parseAllowedNetwork("10.0.0.0/8", loopback));
        policy.allowed = {loopback};
        ReceivingListener strict(elsewhere.path(), policy);
        sendAll(strict, sender, {framed("R", a), framed("Ss3cret", a), "garbage"});
        strict.stop();
        EXPECT_EQ(strict.counts().received, 3u);
        EXPECT_EQ(dropped(strict.counts(), DropReason::SourceNotAllowed), 3u);
        EXPECT_TRUE(filesUnder(elsewhere.path()).empty());
    }
}

TEST(Listener, GarbageEmptyAndTheLargestDatagram)
{
    TempFolder archive;
    ReceivingListener receiver(archive.path(), allowAny());
    UdpSender sender;
    // A line as long as a datagram can carry: kept whole, as received.
    std::string largest = framed("R", stamped("07/06/2001", "20:00:00", "\"Bob<1><STEAM_0:1:2><CT>\" say \""));
    largest.resize(65'507, 'x');
    const std::string noStamp = framed("R", "hello\n");
    sendAll(receiver, sender,
            {"", "garbage\x1b[2J", "\xFF\xFF\xFF\xFF", framed("TSource Engine Query", "\0"s), noStamp, largest,
             framed("R", "L 07/06/2001 - 20:00:00: a\nL 07/06/2001 - 20:00:00: forged\n")});
    receiver.stop();
    const ReceiveCounts counts = receiver.counts();
    EXPECT_EQ(counts.received, 7u);
    EXPECT_EQ(counts.written, 1u);
    EXPECT_EQ(dropped(counts, DropReason::NotLogDatagram), 5u);
    EXPECT_EQ(dropped(counts, DropReason::NoTimeStamp), 1u);
    EXPECT_EQ(filesUnder(archive.path()), (Files{{folderOf(sender) + "/L0706000.log", largest.substr(5) + "\n"}}));
}

TEST(Listener, FilesStartWhereTheServerStartsThem)
{
    TempFolder archive;
    UdpSender sender;
    // History from an earlier run, to be left as it is.
    const std::string folder = folderOf(sender);
    std::filesystem::create_directories(archive.path() / folder);
    archive.write(folder + "/L0706000.log", "earlier run\n");
    archive.write(folder + "/notes.txt", "mine\n");

    const std::vector<std::string> lines = {
        stamped("07/06/2001", "23:59:00", "\"Bob<1><STEAM_0:1:2><CT>\" say \"late\""),
        // Midnight passes inside the file, as on the server.
        stamped("07/07/2001", "00:00:10", "\"Bob<1><STEAM_0:1:2><CT>\" say \"Log file started\""),
        stamped("07/07/2001", "00:04:00", "Log file closed"),
        stamped("07/07/2001", "00:05:00", "Log file started (file \"logs/L0707000.log\") (game \"cstrike\")"),
        stamped("07/07/2001", "00:05:01", "Loading map \"de_dust\""),
        stamped("07/07/2001", "01:00:00", "Log file started (file \"logs/L0707001.log\") (game \"cstrike\")"),
    };
    {
        ReceivingListener receiver(archive.path(), allowAny());
        std::vector<std::string> datagrams;
        for (const std::string& line : lines)
            datagrams.push_back(framed("R", line + "\n"));
        sendAll(receiver, sender, datagrams);
        receiver.stop();
        EXPECT_EQ(receiver.counts().written, lines.size());
    }
    Files expected = {
        {folder + "/L0706000.log", "earlier run\n"},
        {folder + "/notes.txt", "mine\n"},
        {folder + "/L0706001.log", lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n"},
        {folder + "/L0707000.log", lines[3] + "\n" + lines[4] + "\n"},
        {folder + "/L0707001.log", lines[5] + "\n"},
    };
    EXPECT_EQ(filesUnder(archive.path()), expected);

    // A new run never adds to the files of the last one: its first line
    // starts the next file of its date.
    {
        ReceivingListener receiver(archive.path(), allowAny());
        sendAll(receiver, sender, {framed("R", lines[4] + "\n")});
    }
    expected[folder + "/L0707002.log"] = lines[4] + "\n";
    EXPECT_EQ(filesUnder(archive.path()), expected);
}

TEST(Listener, TwoSourcesTwoFolders)
{
    TempFolder archive;
    ReceivingListener receiver(archive.path(), allowAny());
    UdpSender first;
    UdpSender second;
    std::string expectFirst;
    std::string expectSecond;
    for (int i = 0; i < 20; ++i) {
        const std::string line = stamped("07/06/2001", "20:00:0" + std::to_string(i % 10), "line " + std::to_string(i));
        UdpSender& sender = i % 3 ? first : second;
        (i % 3 ? expectFirst : expectSecond) += line + "\n";
        sendAll(receiver, sender, {framed("R", line + "\n")});
    }
    receiver.stop();
    EXPECT_EQ(filesUnder(archive.path()), (Files{{folderOf(first) + "/L0706000.log", expectFirst},
                                                 {folderOf(second) + "/L0706000.log", expectSecond}}));
}

TEST(Listener, AFolderThatCannotBeWrittenLosesLinesUntilItCan)
{
    TempFolder archive;
    ReceivingListener receiver(archive.path(), allowAny());
    UdpSender sender;
    // A file where the source's folder should be: nothing can go there.
    const std::filesystem::path blocker = archive.write(folderOf(sender), "in the way\n");
    const std::string a = stamped("07/06/2001", "20:00:00", "a");
    const std::string b = stamped("07/06/2001", "20:00:01", "b");
    sendAll(receiver, sender, {framed("R", a), framed("R", a)});
    EXPECT_EQ(dropped(receiver.counts(), DropReason::Lost), 2u);
    EXPECT_NE(receiver.problems().find(folderOf(sender)), std::string::npos) << receiver.problems();

    std::filesystem::remove(blocker);
    sendAll(receiver, sender, {framed("R", b)});
    receiver.stop();
    EXPECT_EQ(receiver.counts().written, 1u);
    EXPECT_EQ(receiver.counts().received, 3u);
    EXPECT_EQ(filesUnder(archive.path()), (Files{{folderOf(sender) + "/L0706000.log", b + "\n"}}));
    EXPECT_NE(receiver.problems().find("again"), std::string::npos) << receiver.problems();
}

TEST(Listener, DatagramsTheSystemThrewAwayAreCounted)
{
#ifndef __linux__
    GTEST_SKIP() << "only Linux tells the datagrams it threw away";
#endif
    TempFolder archive;
    ArchiveWriter writer(archive.path());
    std::string error;
    ASSERT_TRUE(writer.prepare(error)) << error;
    Listener listener(allowAny(), writer);
    ASSERT_TRUE(listener.open("127.0.0.1", 0, false, error)) << error;
    EXPECT_GT(listener.receiveBufferBytes(), 0);
    // More than the socket's buffer holds, sent while nobody reads it.
    std::string large = framed("R", stamped("07/06/2001", "20:00:00", "say "));
    large.resize(60'000, 'x');
    const std::uint64_t sent = 400;
    UdpSender sender;
    for (std::uint64_t i = 0; i < sent; ++i)
        ASSERT_TRUE(sender.send(listener.port(), large));
    std::thread receiving([&] { listener.run(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (listener.counts().received + listener.counts().kernelDropped < sent
           && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    listener.stop();
    receiving.join();
    const ReceiveCounts counts = listener.counts();
    EXPECT_GT(counts.kernelDropped, 0u);
    EXPECT_EQ(counts.received + counts.kernelDropped, sent);
    EXPECT_EQ(counts.written, counts.received);
}

} // namespace
} // namespace zelkam::receive
