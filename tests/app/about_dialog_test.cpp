#include "app/about_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/link_label.h"
#include "tests/app/fakes.h"

namespace zelkam {
namespace {

TEST(AboutDialog, ShowsTheTitleAndEndsOnlyWithOk)
{
    test::RecordingLinkOpener links;
    AboutDialog about(links, nullptr);
    about.open();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("id1002"))->text(), QStringLiteral("Zelkam v1.8"));
    EXPECT_FALSE(about.findChild<QLabel*>(QStringLiteral("id1003"))->pixmap().isNull());

    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_TRUE(about.isVisible());
    about.close();
    EXPECT_TRUE(about.isVisible());

    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("id1")), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(AboutDialog, LinkLabelsOpenTheirLinksAndTheDialogStays)
{
    test::RecordingLinkOpener links;
    AboutDialog about(links, nullptr);
    about.open();
    const int ids[] = {1019, 1014, 1015, 1016, 1017, 1018};
    for (int id : ids) {
        auto* label = about.findChild<LinkLabel*>(QStringLiteral("id%1").arg(id));
        ASSERT_NE(label, nullptr) << id;
        QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(2, 2));
        ASSERT_FALSE(links.opened.empty());
        EXPECT_EQ(links.opened.back(), AboutDialog::linkFor(id)) << id;
    }
    EXPECT_EQ(links.opened.size(), 6u);
    EXPECT_TRUE(links.opened.front().startsWith(QStringLiteral("mailto:")));
    EXPECT_TRUE(about.isVisible());
}

TEST(AboutDialog, TimersKeepFiringWhileItIsOpen)
{
    test::RecordingLinkOpener links;
    AboutDialog about(links, nullptr);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    QTimer::singleShot(300, &about, [&] { about.findChild<QPushButton*>(QStringLiteral("id1"))->click(); });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
    EXPECT_GE(ticks, 5);
}

} // namespace
} // namespace zelkam
