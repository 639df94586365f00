#include "app/report_range_dialog.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <QDialogButtonBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimeEdit>
#include <gtest/gtest.h>

#include "investigate/report_page.h"
#include "tests/app/viewer_harness.h"
#include "tests/support/log_lines.h"

namespace zelkam {
namespace {

using namespace zelkam::test;

void writeReportDay(const TempFolder& dir)
{
    dir.write("L0706000.log", LogText("07/06/2001")
                                  .at("10:00:00", mapStarted("de_dust"))
                                  .at("10:00:05", connected("Gordon", 2, "10.0.0.1:27005"))
                                  .at("10:00:06", entered("Gordon", 2))
                                  .at("10:00:07", joinedTeam("Gordon", 2, "TERRORIST"))
                                  .at("10:03:00", said("Gordon", 2, "TERRORIST", "<script>alert(1)</script>"))
                                  .at("10:30:00", roundStarted())
                                  .text());
}

// Save Report... offers ten minutes either side of the clock, clamped to
// the day; OK waits for a range whose start is not after its end. The page
// written holds the chat escaped and no address, whatever the windows show.
TEST(ReportRangeDialog, OffersTheClocksRangeAndSavesAPageWithoutAddresses)
{
    ViewerHarness viewer(writeReportDay);
    const ScopedEnvironmentVariable config("XDG_CONFIG_HOME", viewer.logs.string() + "-settings");
    viewer.start();
    MainWindow& window = *viewer.window;
    viewer.state.seek(localStamp(2001, 7, 6, 10, 5, 0));

    window.openSaveReport();
    auto* dialog = window.findChild<ReportRangeDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->fromEdit()->time(), QTime(9, 55, 0));
    EXPECT_EQ(dialog->toEdit()->time(), QTime(10, 15, 0));
    struct Row {
        QTime from;
        QTime to;
        bool offered;
    };
    for (const Row& row : {Row{QTime(9, 0), QTime(9, 0), true}, Row{QTime(9, 0, 1), QTime(9, 0), false},
                           Row{QTime(0, 0), QTime(23, 59, 59), true}}) {
        dialog->fromEdit()->setTime(row.from);
        dialog->toEdit()->setTime(row.to);
        EXPECT_EQ(dialog->buttons()->button(QDialogButtonBox::Ok)->isEnabled(), row.offered)
            << row.from.toString().toStdString() << " " << row.to.toString().toStdString();
    }
    dialog->reject();
    // Near midnight the range stops at the day's first second.
    EXPECT_EQ(ReportRangeDialog(-30, 570, nullptr).fromEdit()->time(), QTime(0, 0));

    const QString path = QString::fromStdString(viewer.logs.string() + "-report.html");
    QSignalSpy saved(&window, &MainWindow::reportSaved);
    window.saveReport(localStamp(2001, 7, 6, 10, 0, 0), localStamp(2001, 7, 6, 10, 10, 0), path);
    ASSERT_TRUE(saved.wait(10000));
    ASSERT_TRUE(saved[0][0].toBool()) << (viewer.messages.shown.empty() ? std::string() : viewer.messages.shown[0].text.toStdString());
    std::ifstream in(path.toStdString());
    std::stringstream page;
    page << in.rdbuf();
    const std::string html = page.str();
    EXPECT_NE(html.find("Content-Security-Policy"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(1)"), std::string::npos);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_EQ(html.find("10.0.0"), std::string::npos);
    EXPECT_NE(html.find("addr-"), std::string::npos);
    const std::string server = viewer.logs.path().filename().string();
    EXPECT_NE(html.find("<td>" + server + "</td>"), std::string::npos) << html.substr(0, 2000);
    // The shown replay stayed where it was.
    EXPECT_EQ(viewer.state.clock(), localStamp(2001, 7, 6, 10, 5, 0));
    std::remove(path.toStdString().c_str());

    // The viewer opened on "." (the folder the program started in) names
    // the server by the folder's own name, as any other way of naming it.
    std::filesystem::current_path(viewer.logs.path());
    for (const std::string& named : {std::string("."), "../" + server + "/", viewer.logs.string()})
        EXPECT_EQ(reportServerName(named), server) << named;
    std::error_code ignored;
    std::filesystem::remove_all(viewer.logs.string() + "-settings", ignored);
}

} // namespace
} // namespace zelkam
