#include "app/date_selector_control.h"

#include <vector>

#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/support/time_zone.h"

namespace zelkam {
namespace {

using test::localStamp;

// A window holding the date selector and a second field to move the focus
// to, with the entries 01/07/2001, 02/07/2001 and 05/08/2001.
struct DateWindow {
    DateWindow()
    {
        window.resize(300, 200);
        other.setGeometry(200, 16, 60, 24);
        control.setSelectionEndedHandler([this] { ++notified; });
        for (int day : {localStamp(2001, 7, 1), localStamp(2001, 7, 2), localStamp(2001, 8, 5)})
            control.addDay(day);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        control.editField()->setFocus();
        control.editField()->clear();
    }

    QLineEdit* field() const { return control.editField(); }
    void settle() { QCoreApplication::processEvents(); }

    test::ScopedTimeZone zone{"UTC0"};
    QWidget window;
    QLineEdit other{&window};
    DateSelectorControl control{64, 16, 96, 128, &window};
    int notified = 0;
};

TEST(DateSelectorControl, ListsDaysAsTenCharacterDates)
{
    DateWindow w;
    ASSERT_EQ(w.control.comboBox()->count(), 3);
    EXPECT_EQ(w.control.comboBox()->itemText(0), QStringLiteral("01/07/2001"));
    EXPECT_EQ(w.control.comboBox()->itemText(2), QStringLiteral("05/08/2001"));
    w.control.clearDays();
    EXPECT_EQ(w.control.comboBox()->count(), 0);
    EXPECT_EQ(w.control.selectedIndex(), -1);
}

TEST(DateSelectorControl, IsBoundThroughItsEditFieldOnly)
{
    QWidget window;
    auto* control = new DateSelectorControl(0, 0, 96, 128, &window);
    QLineEdit* field = control->editField();
    EXPECT_EQ(ControlBase::fromWindow(field), control);
    EXPECT_EQ(ControlBase::fromWindow(control->comboBox()), nullptr);
    delete control;
    // Releasing the object leaves its widgets; they no longer reach it.
    EXPECT_EQ(ControlBase::fromWindow(field), nullptr);
    EXPECT_NE(window.findChild<QComboBox*>(), nullptr);
}

TEST(DateSelectorControl, TypingCompletesToTheLastMatchingEntry)
{
    DateWindow w;
    QTest::keyClick(w.field(), '0');
    EXPECT_EQ(w.field()->text(), QStringLiteral("05/08/2001"));
    EXPECT_EQ(w.field()->selectedText(), QStringLiteral("5/08/2001"));
    EXPECT_EQ(w.control.selectedIndex(), 2);
    EXPECT_TRUE(w.control.typed());

    // The next character replaces the completed part.
    QTest::keyClick(w.field(), '2');
    EXPECT_EQ(w.field()->text(), QStringLiteral("02/07/2001"));
    EXPECT_EQ(w.field()->selectedText(), QStringLiteral("/07/2001"));
    EXPECT_EQ(w.notified, 0);
    // Completion alone does not count as the control's own selection.
    EXPECT_EQ(w.control.lastIndex(), 0);
}

TEST(DateSelectorControl, ReturnAfterTypingCommitsOnceTheFocusHasMoved)
{
    DateWindow w;
    QTest::keyClicks(w.field(), QStringLiteral("02/07/2001"));
    QTest::keyClick(w.field(), Qt::Key_Return);
    EXPECT_FALSE(w.field()->hasFocus());
    EXPECT_EQ(w.control.selectedIndex(), 1);
    EXPECT_EQ(w.control.lastIndex(), 1);
    EXPECT_FALSE(w.control.typed());
    // Posted, not called: the main window hears of it after the focus change.
    EXPECT_EQ(w.notified, 0);
    w.settle();
    EXPECT_EQ(w.notified, 1);
}

TEST(DateSelectorControl, ReturnWithoutTypingOnlyLeavesTheField)
{
    DateWindow w;
    w.control.selectEntry(2);
    QTest::keyClick(w.field(), Qt::Key_Return);
    w.settle();
    EXPECT_FALSE(w.field()->hasFocus());
    EXPECT_EQ(w.notified, 0);
}

TEST(DateSelectorControl, AnUnlistedDateBringsBackTheControlsLastEntry)
{
    DateWindow w;
    QTest::keyClicks(w.field(), QStringLiteral("31/02/2001"));
    w.other.setFocus();
    w.settle();
    EXPECT_EQ(w.field()->text(), QStringLiteral("01/07/2001"));
    EXPECT_EQ(w.control.selectedIndex(), 0);
    EXPECT_EQ(w.notified, 0);

    // After a committed date, that entry is the one that comes back.
    w.field()->setFocus();
    w.field()->clear();
    QTest::keyClicks(w.field(), QStringLiteral("05/08/2001"));
    w.other.setFocus();
    w.settle();
    EXPECT_EQ(w.notified, 1);
    w.field()->setFocus();
    w.field()->clear();
    QTest::keyClicks(w.field(), QStringLiteral("9"));
    w.other.setFocus();
    w.settle();
    EXPECT_EQ(w.field()->text(), QStringLiteral("05/08/2001"));
    EXPECT_EQ(w.notified, 1);
}

TEST(DateSelectorControl, RefusesAllButDigitsSlashAndBackspace)
{
    DateWindow w;
    QTest::keyClicks(w.field(), QStringLiteral("ab-. x"));
    EXPECT_EQ(w.field()->text(), QString());
    EXPECT_FALSE(w.control.typed());

    QTest::keyClicks(w.field(), QStringLiteral("9"));
    QTest::keyClick(w.field(), Qt::Key_Backspace);
    EXPECT_TRUE(w.control.typed());
    EXPECT_EQ(w.field()->text(), QString());

    QTest::keyClicks(w.field(), QStringLiteral("99/99/99999999"));
    EXPECT_EQ(w.field()->text().size(), 10);
}

TEST(DateSelectorControl, ChoosingFromTheListNotifiesOnce)
{
    DateWindow w;
    w.control.comboBox()->activated(2);
    w.control.comboBox()->setCurrentIndex(2);
    w.settle();
    EXPECT_EQ(w.notified, 1);
    EXPECT_EQ(w.control.selectedIndex(), 2);
    // The mouse's choice is not the control's own.
    EXPECT_EQ(w.control.lastIndex(), 0);
}

TEST(DateSelectorControl, ShowDateLeavesTheFieldAloneWhileItHasTheFocus)
{
    DateWindow w;
    QTest::keyClicks(w.field(), QStringLiteral("02/0"));
    w.control.showDate(localStamp(2001, 8, 5, 13, 0, 0));
    EXPECT_EQ(w.field()->text().left(4), QStringLiteral("02/0"));

    w.other.setFocus();
    w.settle();
    w.control.showDate(localStamp(2001, 8, 5, 13, 0, 0));
    EXPECT_EQ(w.field()->text(), QStringLiteral("05/08/2001"));
}

TEST(DateSelectorControl, ARefusedDateSaysWhyUntilADayIsShownAgain)
{
    const struct {
        const char* typed;
        const char* note;
    } cases[] = {
        {"32/13/2001", "32/13/2001 is not a date (DD/MM/YYYY)"},
        {"31/02/2001", "31/02/2001 is not a date (DD/MM/YYYY)"},
        {"03/07/2001", "No logs for 03/07/2001 in this folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        DateWindow w;
        w.control.showDay(0, localStamp(2001, 7, 1));
        w.field()->setFocus();
        w.field()->clear();
        QTest::keyClicks(w.field(), QString::fromLatin1(c.typed));
        QTest::keyClick(w.field(), Qt::Key_Return);
        w.settle();
        EXPECT_EQ(w.field()->text(), QStringLiteral("01/07/2001"));
        EXPECT_EQ(w.control.comboBox()->toolTip(), QString::fromLatin1(c.note));
        // The same day shown again by the next tick keeps the note; another goes with it.
        w.control.showDay(0, localStamp(2001, 7, 1, 12, 0, 0));
        EXPECT_EQ(w.control.comboBox()->toolTip(), QString::fromLatin1(c.note));
        w.control.showDay(1, localStamp(2001, 7, 2));
        EXPECT_EQ(w.control.comboBox()->toolTip(), QString());
        EXPECT_EQ(w.notified, 0);
    }
    // Left alone, the note goes once it has been shown.
    DateWindow w;
    w.control.showDay(0, localStamp(2001, 7, 1));
    w.field()->clear();
    QTest::keyClicks(w.field(), QStringLiteral("03/07/2001"));
    QTest::keyClick(w.field(), Qt::Key_Return);
    w.settle();
    EXPECT_FALSE(w.control.comboBox()->toolTip().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.control.comboBox()->toolTip().isEmpty(); },
                                DateSelectorControl::NoteMs + 2000));
}

TEST(DateSelectorControl, AClickElsewhereCommitsATypedDate)
{
    DateWindow w;
    // The window's background takes no focus: the click alone commits.
    QTest::keyClicks(w.field(), QStringLiteral("05/08/2001"));
    QTest::mouseClick(&w.window, Qt::LeftButton, {}, QPoint(10, 150));
    w.settle();
    EXPECT_EQ(w.notified, 1);
    EXPECT_EQ(w.control.selectedIndex(), 2);
    EXPECT_FALSE(w.control.typed());
    // A click in the box itself does not.
    w.field()->clear();
    QTest::keyClicks(w.field(), QStringLiteral("02/07/2001"));
    QTest::mouseClick(w.field(), Qt::LeftButton);
    w.settle();
    EXPECT_EQ(w.notified, 1);
    EXPECT_TRUE(w.control.typed());
}

TEST(DateSelectorControl, TheWholeDateShowsAtTheDesignSize)
{
    // With the shared font the main window gives the box, whatever face
    // this system finds for it.
    ASSERT_TRUE(createSharedFont());
    test::ScopedTimeZone zone{"UTC0"};
    QWidget window;
    window.resize(500, 580);
    DateSelectorControl control(64, 16, 96, 128, &window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // The shared font as this system gives it, and the default faces of the
    // desktops the viewer meets, where this system has them.
    std::vector<QFont> fonts{sharedFont()};
    for (const char* family : {"DejaVu Sans", "Liberation Sans", "Ubuntu", "Segoe UI", "Tahoma"}) {
        QFont font = sharedFont();
        font.setFamilies({QString::fromLatin1(family)});
        if (QFontInfo(font).family() == QString::fromLatin1(family))
            fonts.push_back(font);
    }
    for (const QFont& font : fonts) {
        control.setDateFont(font);
        for (const char* date : {"06/07/2001", "16/11/2012", "28/08/2008", "00/00/0000"}) {
            control.comboBox()->setEditText(QString::fromLatin1(date));
            QLineEdit* field = control.editField();
            // QLineEdit keeps 2 pixels each side and a pixel for the cursor.
            const int room = field->contentsRect().width() - field->textMargins().left() - field->textMargins().right() - 5;
            EXPECT_LE(QFontMetrics(field->font()).horizontalAdvance(field->text()), room)
                << date << " in " << QFontInfo(field->font()).family().toStdString();
        }
    }
}

TEST(DateSelectorControl, AnEmptyListSelectsNothing)
{
    DateWindow w;
    w.control.clearDays();
    QTest::keyClicks(w.field(), QStringLiteral("01/07/2001"));
    w.other.setFocus();
    w.settle();
    EXPECT_EQ(w.control.selectedIndex(), -1);
    EXPECT_EQ(w.notified, 0);
}

} // namespace
} // namespace zelkam
