// Telling notices: a web hook that fails, is slow and comes back, a
// command that gets the notice on its standard input only.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "tests/support/temp_folder.h"
#include "tests/watch/hook_server.h"
#include "watch/curl_library.h"
#include "watch/delivery.h"

namespace zelkam::watch {
namespace {

using namespace zelkam::test;

Notice noticeNumbered(std::uint64_t id, const std::string& line)
{
    Notice notice;
    notice.id = id;
    notice.rule = "words";
    notice.server = "main";
    notice.kind = "chat";
    notice.items.push_back({994320000 + static_cast<std::int64_t>(id), line, "Bob", "STEAM_0:1:5", ""});
    return notice;
}

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// Pumps until the outbox is empty or the time is up.
void pumpUntilIdle(Outbox& outbox, CURLM* multi, double seconds)
{
    const double deadline = now() + seconds;
    while (!outbox.idle() && now() < deadline) {
        outbox.pump(now());
        curlLibrary()->multi_poll(multi, nullptr, 0, 20, nullptr);
    }
}

TEST(Delivery, AWebHookThatFailsIsSlowAndComesBackGetsEveryNoticeOnceInOrder)
{
    const std::vector<std::vector<HookServer::Reply>> scripts = {
        {},
        {HookServer::Reply::Fail, HookServer::Reply::Fail, HookServer::Reply::Slow, HookServer::Reply::Drop,
         HookServer::Reply::Hang, HookServer::Reply::Ok, HookServer::Reply::Fail},
    };
    for (const auto& script : scripts) {
        SCOPED_TRACE(script.size());
        HookServer server(script);
        const CurlLibrary* curl = curlLibrary();
        ASSERT_NE(curl, nullptr) << "libcurl.so.4 is installed with its headers";
        CURLM* multi = curl->multi_init();
        std::vector<std::string> reports;
        {
            Outbox outbox("admins", makeWebHookSender(*curl, multi, server.url(), 0.4), {0.02, 0.1},
                          [&](const std::string& report) { reports.push_back(report); });
            for (std::uint64_t id = 1; id <= 5; ++id)
                outbox.push(noticeNumbered(id, "line " + std::to_string(id)));
            pumpUntilIdle(outbox, multi, 10);
            EXPECT_TRUE(outbox.idle());
        }
        curl->multi_cleanup(multi);
        std::vector<std::uint64_t> ids;
        for (const std::string& body : server.accepted()) {
            const nlohmann::json json = nlohmann::json::parse(body, nullptr, false);
            ASSERT_TRUE(json.is_object()) << body;
            ids.push_back(json["id"].get<std::uint64_t>());
            EXPECT_NE(json["content"].get<std::string>().find("[main] words:"), std::string::npos);
        }
        EXPECT_EQ(ids, (std::vector<std::uint64_t>{1, 2, 3, 4, 5}));
        for (const std::string& report : reports)
            EXPECT_EQ(report.find(std::to_string(server.port())), std::string::npos) << "the address is a secret: " << report;
        EXPECT_EQ(reports.empty(), script.empty());
    }
}

// The stranger's text reaches the command on its standard input, as clean
// JSON, and never its command line.
TEST(Delivery, ACommandGetsTheNoticeOnItsStandardInputOnly)
{
    TempFolder folder;
    const std::string script = "cd '" + folder.string() + "' && printf '%s\\n' \"$0\" \"$@\" > args && cat > input";
    Outbox outbox("pager", makeCommandSender({"/bin/sh", "-c", script, "page", "--now"}, 5), {0.02, 0.1},
                  [](const std::string&) {});
    const std::string hostile = "hi\x1b]0;owned\x07 \xe2\x80\xae reversed \"quoted\" $(rm -rf /) `id`";
    outbox.push(noticeNumbered(7, hostile));
    const double deadline = now() + 5;
    while (!outbox.idle() && now() < deadline) {
        outbox.pump(now());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(outbox.idle());
    std::ifstream argsFile(folder.path() / "args");
    std::stringstream args;
    args << argsFile.rdbuf();
    EXPECT_EQ(args.str(), "page\n--now\n");
    std::ifstream inputFile(folder.path() / "input", std::ios::binary);
    std::stringstream input;
    input << inputFile.rdbuf();
    const std::string text = input.str();
    for (const char c : text)
        EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n') << "a raw control byte reached the command";
    EXPECT_EQ(text.find("\xe2\x80\xae"), std::string::npos) << "a raw direction override reached the command";
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    ASSERT_TRUE(json.is_object()) << text;
    EXPECT_EQ(json["id"], 7);
    EXPECT_NE(json["items"][0]["line"].get<std::string>().find("$(rm -rf /)"), std::string::npos);
    EXPECT_EQ(json["allowed_mentions"]["parse"], nlohmann::json::array());
}

TEST(Delivery, ACommandThatFailsIsTriedAgainAndItsNoticeKept)
{
    TempFolder folder;
    // Fails until the file "ok" exists.
    const std::string script = "cd '" + folder.string() + "' && test -e ok && cat >> input";
    std::vector<std::string> reports;
    Outbox outbox("pager", makeCommandSender({"/bin/sh", "-c", script}, 5), {0.02, 0.05},
                  [&](const std::string& report) { reports.push_back(report); });
    outbox.push(noticeNumbered(1, "one"));
    outbox.push(noticeNumbered(2, "two"));
    for (int i = 0; i < 20; ++i) {
        outbox.pump(now());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(outbox.queue().size(), 2u);
    EXPECT_TRUE(outbox.failing());
    EXPECT_FALSE(reports.empty());
    folder.write("ok", "");
    const double deadline = now() + 5;
    while (!outbox.idle() && now() < deadline) {
        outbox.pump(now());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream inputFile(folder.path() / "input");
    std::string first;
    std::string second;
    std::getline(inputFile, first);
    std::getline(inputFile, second);
    EXPECT_NE(first.find("\"id\":1,"), std::string::npos) << first;
    EXPECT_NE(second.find("\"id\":2,"), std::string::npos) << second;
}

} // namespace
} // namespace zelkam::watch
