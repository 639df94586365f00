#include <gtest/gtest.h>

#include <string>

#include "investigate/report_page.h"
#include "replay/viewer_state.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"
#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

// A report about one player lists his own lines and the kills he made. The
// day is read as the viewer reads it, where a kill names its killer by name
// only: asked by unique id, the report must find the killer among the
// players on the server, never read a kill's detail that is not there (it
// crashed on the first kill in range). A drop, which names its player by
// name alone, is the dropped player's line too.
TEST(ReportPage, PlayersReportHoldsHisKillsAsTheReplayCreditsThem)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder logs;
    LogText text("07/05/2001");
    text.at("20:00:00", mapStarted("de_dust2"))
        .at("20:00:01", connected("Al", 2, "10.0.0.2:27005"))
        .at("20:00:02", connected("Bo", 3, "10.0.0.3:27005"))
        .at("20:00:03", connected("Cy", 4, "10.0.0.4:27005"))
        .at("20:00:04", joinedTeam("Al", 2, "CT"))
        .at("20:00:05", joinedTeam("Bo", 3, "TERRORIST"))
        .at("20:01:00", killed("Bo", 3, "TERRORIST", "Al", 2, "CT"))
        .at("20:02:00", said("Cy", 4, "", "gg"))
        .at("20:03:00", killed("Al", 2, "CT", "Bo", 3, "TERRORIST"))
        // Dropped: the line names him by name alone.
        .at("20:04:00", "\"Bo<-1><><TERRORIST>\" disconnected");
    logs.write("L0705000.log", text.text());
    ViewerState state;
    ASSERT_TRUE(state.scanFolder(logs.string()));
    ASSERT_TRUE(state.loadDayAt(0));

    const std::string boKillsAl = "Bo killed Al";
    const std::string alKillsBo = "Al killed Bo";
    struct Case {
        bool byId;
        const char* text;
        bool boKillsAlShown;
        bool alKillsBoShown;
        bool boLeavesShown;
    };
    // Unique ids are 100000 and the user id (see playerToken).
    const Case cases[] = {
        {true, "100002", true, true, false},   // Al: killed, then killer
        {true, "100003", true, true, true},    // Bo: killer, then killed, then dropped
        {true, "100004", false, false, false}, // Cy killed nobody
        {false, "bo", true, true, true},
        {false, "cy", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ReportRequest request;
        request.from = state.dayStart() + 20 * 3600;
        request.to = state.dayStart() + 21 * 3600;
        PlayerQuery query;
        query.byId = c.byId;
        query.text = c.text;
        request.player = query;
        AddressNames addresses;
        std::string page;
        ASSERT_TRUE(writeReportPage(state, request, addresses, [&page](std::string_view piece) {
            page += piece;
            return true;
        }));
        EXPECT_EQ(page.find(boKillsAl) != std::string::npos, c.boKillsAlShown);
        EXPECT_EQ(page.find(alKillsBo) != std::string::npos, c.alKillsBoShown);
        EXPECT_EQ(page.find("Bo has left the game") != std::string::npos, c.boLeavesShown);
        // His drop is Bo's, not a player of its own with no id.
        EXPECT_EQ(page.find("<td class=\"name\">Bo</td><td></td>"), std::string::npos);
    }
}

// A range may reach past midnight (to 30:00:00 is six the next morning),
// as the viewer plays on past it: the page then dates the times not on its
// day, where "23:00:00 to 06:00:00" alone would read as a range that ends
// before it begins.
TEST(ReportPage, DatesTheTimesOfARangePastMidnight)
{
    ScopedTimeZone zone("Europe/Berlin");
    TempFolder logs;
    LogText text("07/05/2001");
    text.at("22:00:00", mapStarted("de_dust2"))
        .at("23:30:00", said("Al", 2, "CT", "late"))
        .on("07/06/2001")
        .at("00:30:00", said("Al", 2, "CT", "early"));
    logs.write("L0705000.log", text.text());
    ViewerState state;
    ASSERT_TRUE(state.scanFolder(logs.string()));
    ASSERT_TRUE(state.loadDayAt(0));
    const auto pageOf = [&](int fromHour, int toHour) {
        ReportRequest request;
        request.from = state.dayStart() + fromHour * 3600;
        request.to = state.dayStart() + toHour * 3600;
        AddressNames addresses;
        std::string page;
        EXPECT_TRUE(writeReportPage(state, request, addresses, [&page](std::string_view piece) {
            page += piece;
            return true;
        }));
        return page;
    };
    const std::string past = pageOf(23, 30);
    EXPECT_NE(past.find("<td>Range</td><td>23:00:00 to 06:00:00 on 06/07/2001</td>"), std::string::npos);
    EXPECT_NE(past.find("Scoreboard at the start (23:00:00)"), std::string::npos);
    EXPECT_NE(past.find("Scoreboard at the end (06:00:00 on 06/07/2001)"), std::string::npos);
    const std::string within = pageOf(22, 23);
    EXPECT_NE(within.find("<td>Range</td><td>22:00:00 to 23:00:00</td>"), std::string::npos);
}

} // namespace
} // namespace zelkam
