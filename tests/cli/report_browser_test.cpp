#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "tests/cli/run_cli.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

std::string token(std::string_view name, int userId, std::string_view id, std::string_view team = "")
{
    return "\"" + std::string(name) + "<" + std::to_string(userId) + "><" + std::string(id) + "><" +
           std::string(team) + ">\"";
}

// Names and chat written to break out of the page: elements, the title, an
// attribute, links, a bidirectional override and an invisible character,
// each in a form a log line carries whole.
// Each script, if it ran, would write "PWNED" into the page.
const char* const ScriptName = "<script>document.title='PWNED'</script>";
const char* const TitleName = "</title><script>document.body.innerHTML='PWNED'</script>";
const char* const AttributeChat = "a \"onload=document.body.innerHTML='PWNED'\" b";
const char* const LinkChat = "<a href=javascript:document.body.innerHTML='PWNED'>free skins</a>";
const char* const ImageChat = "<img src=x onerror=document.body.innerHTML='PWNED'>";
const char* const BidiName = "\xe2\x80\xae" "nimda";
const char* const InvisibleName = "Ad\xe2\x80\x8bmin";

void writeHostileFolder(const TempFolder& folder)
{
    LogText text("07/05/2001");
    text.at("20:00:00", mapStarted("de_dust2"));
    const char* names[] = {ScriptName, TitleName, BidiName, InvisibleName};
    int userId = 2;
    for (const char* name : names) {
        const std::string who = token(name, userId, "STEAM_0:1:" + std::to_string(userId));
        text.at("20:00:01", who + " connected, address \"10.0." + std::to_string(userId) + ".1:27005\"");
        text.at("20:00:02", who + (userId % 2 == 0 ? " joined team \"CT\"" : " joined team \"TERRORIST\""));
        ++userId;
    }
    text.at("20:01:00", token(ScriptName, 2, "STEAM_0:1:2", "CT") + " say \"" + LinkChat + "\"");
    text.at("20:01:01", token(TitleName, 3, "STEAM_0:1:3", "TERRORIST") + " say \"" + ImageChat + "\"");
    text.at("20:01:02", token(BidiName, 4, "STEAM_0:1:4", "CT") + " say \"" + AttributeChat + "\"");
    text.at("20:02:00", token(ScriptName, 2, "STEAM_0:1:2", "CT") + " killed " +
                            token(TitleName, 3, "STEAM_0:1:3", "TERRORIST") + " with \"ak47\"");
    folder.write("L0705000.log", text.text());
}

// Runs a shell command line and gives its standard output; status -1 when
// it could not run.
int runCapturing(const std::string& command, std::string& out)
{
    out.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string findBrowser()
{
    std::string found;
    for (const char* name : {"chromium", "chromium-browser"}) {
        if (runCapturing(std::string("command -v ") + name + " 2>/dev/null", found) == 0 && !found.empty()) {
            while (!found.empty() && (found.back() == '\n' || found.back() == '\r'))
                found.pop_back();
            return found;
        }
    }
    return {};
}

std::string browserCommand(const std::string& browser, const TempFolder& profile)
{
    // A profile of its own, no sandbox (test runners are often root), no GPU.
    return "'" + browser + "' --headless --no-sandbox --disable-gpu --no-first-run --user-data-dir='" +
           profile.string() + "'";
}

// The report of a hostile folder opened in a real browser: no script runs
// (one would write PWNED into the page), every name reads as written, and a
// screenshot shows the scoreboard's rows in their team colours.
TEST(ReportInBrowser, HostileNamesNeitherRunNorHide)
{
    const std::string browser = findBrowser();
    if (browser.empty())
        GTEST_SKIP() << "no chromium on this machine (scripts/test installs it with apt-get); the report's browser "
                        "test cannot run";
    TempFolder logs;
    writeHostileFolder(logs);
    TempFolder out;
    const std::string page = (out.path() / "report.html").string();
    const CliResult made = runCli({"report", logs.string(), "05/07/2001", "--from", "20:00:00", "--to", "20:05:00",
                                   "-o", page, "--show-addresses"});
    ASSERT_EQ(made.status, 0) << made.err;

    TempFolder profile;
    std::string dom;
    ASSERT_EQ(runCapturing(browserCommand(browser, profile) + " --dump-dom 'file://" + page + "' 2>/dev/null", dom), 0);
    ASSERT_NE(dom.find("</html>"), std::string::npos) << dom;
    EXPECT_EQ(dom.find("PWNED</title>"), std::string::npos) << "a script changed the title";
    EXPECT_NE(dom.find("<title>Zelkam report: "), std::string::npos);
    EXPECT_EQ(dom.find("<script"), std::string::npos) << "an element was made from a name";
    EXPECT_EQ(dom.find("<img"), std::string::npos);
    EXPECT_EQ(dom.find("<a "), std::string::npos) << "a link was made from chat";
    EXPECT_FALSE(std::regex_search(dom, std::regex("<[^>]*(onload|onerror|href)=")))
        << "an attribute was made from a stranger's text";
    // Each name and chat line reads as written: the serialised DOM writes
    // text's & < > as references, quotes as themselves.
    const auto asText = [](std::string_view text) {
        std::string escaped;
        for (const char c : text)
            escaped += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
        return escaped;
    };
    for (const char* written : {ScriptName, TitleName, AttributeChat, LinkChat, ImageChat})
        EXPECT_NE(dom.find(asText(written)), std::string::npos) << written;
    // What would reorder or hide shows as its escape.
    EXPECT_NE(dom.find("\\u{202E}nimda"), std::string::npos);
    EXPECT_NE(dom.find("Ad\\u{200B}min"), std::string::npos);
    EXPECT_EQ(dom.find("\xe2\x80\xae"), std::string::npos);

    // The screenshot: the scoreboards' rows in the colours of their teams.
    const std::string shot = (out.path() / "report.png").string();
    std::string ignored;
    // Taken once the page has loaded and every stage of drawing has run:
    // without that, a busy machine may shoot the page before it is painted.
    runCapturing(browserCommand(browser, profile) +
                     " --run-all-compositor-stages-before-draw --virtual-time-budget=5000"
                     " --window-size=1000,1400 --screenshot='" + shot + "' 'file://" + page + "' 2>/dev/null",
                 ignored);
    ASSERT_TRUE(std::filesystem::exists(shot)) << "no screenshot";
    std::string histogram;
    if (runCapturing("convert '" + shot + "' -format %c histogram:info:- 2>/dev/null", histogram) != 0)
        GTEST_SKIP() << "no ImageMagick convert to read the screenshot's colours";
    std::map<std::string, long> pixels;
    std::istringstream lines(histogram);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos)
            pixels[line.substr(hash, 7)] += std::atol(line.c_str());
    }
    // Each row is about 20 pixels high and a few hundred wide; the first
    // board, in view, shows two players of each team.
    EXPECT_GT(pixels["#F5D5D0"], 2 * 18 * 200) << "terrorist rows";
    EXPECT_GT(pixels["#D0DEF5"], 2 * 18 * 200) << "counter-terrorist rows";
}

} // namespace
} // namespace zelkam
