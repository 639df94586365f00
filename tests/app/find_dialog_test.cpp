#include "app/find_dialog.h"

#include <vector>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace zelkam {
namespace {

struct OpenFind {
    explicit OpenFind(std::string& pattern) : dialog(new FindDialog(pattern, nullptr))
    {
        QObject::connect(dialog, &FindDialog::findRequested, [this](FindRequest r) { requests.push_back(r); });
        dialog->show();
    }
    ~OpenFind() { delete dialog; }

    template <typename T>
    T* child(const char* name) const
    {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* text() const { return child<QLineEdit>("patternEdit"); }

    FindDialog* dialog;
    std::vector<FindRequest> requests;
};

TEST(FindDialog, OpensWithTheLastTextPlayerAndCaseCleared)
{
    std::string pattern = "Gordon";
    OpenFind find(pattern);
    EXPECT_EQ(find.dialog->windowTitle(), QStringLiteral("Find"));
    EXPECT_EQ(find.text()->text(), QStringLiteral("Gordon"));
    EXPECT_EQ(find.text()->maxLength(), 31);
    EXPECT_TRUE(find.child<QRadioButton>("playerKindButton")->isChecked());
    EXPECT_FALSE(find.child<QCheckBox>("matchCaseBox")->isChecked());
    EXPECT_EQ(find.dialog->searchKind(), SearchKind::Player);
    EXPECT_EQ(find.child<QPushButton>("findNextButton")->text(), QStringLiteral("&Find Next"));
    EXPECT_FALSE(find.child<QPushButton>("helpButton")->isVisible());
}

TEST(FindDialog, FindNextSendsKindCaseAndStoresTheText)
{
    std::string pattern;
    OpenFind find(pattern);
    EXPECT_FALSE(find.child<QPushButton>("findNextButton")->isEnabled());
    find.text()->setText(QStringLiteral("bomb"));

    const struct {
        const char* radio;
        SearchKind kind;
        bool matchCase;
    } cases[] = {{"chatKindButton", SearchKind::Chat, false},
                 {"rconUserKindButton", SearchKind::RconUser, true},
                 {"rconCommandKindButton", SearchKind::RconCmd, false},
                 {"playerKindButton", SearchKind::Player, true}};
    for (const auto& c : cases) {
        QTest::mouseClick(find.child<QRadioButton>(c.radio), Qt::LeftButton);
        find.child<QCheckBox>("matchCaseBox")->setChecked(c.matchCase);
        QTest::mouseClick(find.child<QPushButton>("findNextButton"), Qt::LeftButton);
        ASSERT_FALSE(find.requests.empty());
        const FindRequest request = find.requests.back();
        EXPECT_EQ(request.kind, c.kind) << c.radio;
        EXPECT_TRUE(request.flags & FindRequest::FindNext) << c.radio;
        EXPECT_EQ((request.flags & FindRequest::MatchCase) != 0, c.matchCase) << c.radio;
    }
    EXPECT_EQ(pattern, "bomb");
    EXPECT_EQ(find.requests.size(), 4u);
}

TEST(FindDialog, EveryWayOfClosingSendsOneDialogTerm)
{
    const char* ways[] = {"cancel", "escape", "close"};
    for (const char* way : ways) {
        std::string pattern;
        OpenFind find(pattern);
        if (way == std::string("cancel"))
            QTest::mouseClick(find.child<QPushButton>("cancelButton"), Qt::LeftButton);
        else if (way == std::string("escape"))
            QTest::keyClick(find.dialog, Qt::Key_Escape);
        else
            find.dialog->close();
        find.dialog->close();
        EXPECT_FALSE(find.dialog->isVisible()) << way;
        ASSERT_EQ(find.requests.size(), 1u) << way;
        EXPECT_TRUE(find.requests[0].flags & FindRequest::DialogTerm) << way;
        EXPECT_FALSE(find.requests[0].flags & FindRequest::FindNext) << way;
    }
}

} // namespace
} // namespace zelkam
