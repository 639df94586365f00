#include "app/about_dialog.h"

#include <string>

#include <vector>

#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/dialog_units.h"
#include "app/find_dialog.h"
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
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("titleLabel"))->text(), QStringLiteral("Zelkam v1.8"));
    EXPECT_FALSE(about.findChild<QLabel*>(QStringLiteral("iconLabel"))->pixmap().isNull());

    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_TRUE(about.isVisible());
    about.close();
    EXPECT_TRUE(about.isVisible());

    QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(AboutDialog, LinkLabelsOpenTheirLinksAndTheDialogStays)
{
    test::RecordingLinkOpener links;
    AboutDialog about(links, nullptr);
    about.open();
    const struct {
        const char* label;
        const char* link;
    } cases[] = {
        {"writeToUsLink", "mailto:zelkam@example.org"}, {"owlsLink", "https://owls.example.org/"},
        {"wrensLink", "https://wrens.example.org/"},    {"rooksLink", "https://rooks.example.org/"},
        {"kitesLink", "https://kites.example.org/"},    {"larksLink", "https://larks.example.org/"},
    };
    for (const auto& c : cases) {
        auto* label = about.findChild<LinkLabel*>(QString::fromLatin1(c.label));
        ASSERT_NE(label, nullptr) << c.label;
        QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(2, 2));
        ASSERT_FALSE(links.opened.empty());
        EXPECT_EQ(links.opened.back(), QString::fromLatin1(c.link)) << c.label;
    }
    EXPECT_EQ(links.opened.size(), 6u);
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
    QTimer::singleShot(300, &about, [&] { about.findChild<QPushButton*>(QStringLiteral("okButton"))->click(); });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
    EXPECT_GE(ticks, 5);
}

// Every text a dialog shows fits its place, in the faces this system has.
TEST(AboutDialog, NoDialogTextIsCut)
{
    // The dialogs' font as this system gives it, and the desktops' default
    // faces where this system has them, as a system without the first
    // choices would draw them.
    std::vector<QFont> fonts{dialogFont()};
    for (const char* family : {"DejaVu Sans", "Liberation Sans", "Ubuntu", "Segoe UI", "Tahoma"}) {
        QFont font = dialogFont();
        font.setFamilies({QString::fromLatin1(family)});
        if (QFontInfo(font).family() == QString::fromLatin1(family))
            fonts.push_back(font);
    }
    test::RecordingLinkOpener links;
    std::string pattern;
    for (const QFont& font : fonts) {
      AboutDialog about(links, nullptr);
      FindDialog find(pattern, nullptr, SearchKind::Player, false);
      for (QWidget* dialog : {static_cast<QWidget*>(&about), static_cast<QWidget*>(&find)}) {
        SCOPED_TRACE(dialog->objectName().toStdString() + " in " + QFontInfo(font).family().toStdString());
        if (font != dialogFont()) {
            dialog->setFont(font);
            fitLabelsToDialog(*dialog);
        }
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->text().isEmpty() || label->textFormat() == Qt::RichText)
                continue;
            if (label->wordWrap()) {
                EXPECT_LE(label->heightForWidth(label->width()), label->height()) << label->text().toStdString();
                continue;
            }
            EXPECT_LE(label->fontMetrics().horizontalAdvance(shownText(label->text())), label->width())
                << label->text().toStdString();
            EXPECT_LE(label->geometry().right(), dialog->width()) << label->text().toStdString();
        }
        for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
            const bool marked = qobject_cast<const QCheckBox*>(button) || qobject_cast<const QRadioButton*>(button);
            const int needed = marked ? button->sizeHint().width()
                                      : button->fontMetrics().horizontalAdvance(shownText(button->text())) + 6;
            EXPECT_LE(needed, button->width()) << button->text().toStdString();
        }
      }
    }
}

} // namespace
} // namespace zelkam
