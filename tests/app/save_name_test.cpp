#include "app/save_name.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

TEST(SaveName, AddsTheSuffixOnlyToANameWithout)
{
    struct Case {
        const char* what;
        const char* typed;
        const char* saved;
    };
    const Case cases[] = {
        {"no suffix", "/tmp/hits", "/tmp/hits.csv"},
        {"own suffix kept", "/tmp/hits.txt", "/tmp/hits.txt"},
        {"same suffix kept", "/tmp/hits.csv", "/tmp/hits.csv"},
        {"trailing dot", "/tmp/hits.", "/tmp/hits.csv"},
        {"dot in a folder name only", "/tmp/v1.2/hits", "/tmp/v1.2/hits.csv"},
        {"hidden file name", "/tmp/.hits", "/tmp/.hits.csv"},
        {"cancelled", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withDefaultSuffix(QString::fromUtf8(c.typed), QStringLiteral("csv")), QString::fromUtf8(c.saved))
            << c.what;
}

// What the save dialog shows when it opens, then cancelled.
struct Opened {
    QString folder;
    QStringList files;
};

Opened openAndCancel(const QString& name)
{
    Opened opened;
    QTimer::singleShot(0, [&] {
        QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000);
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            opened.folder = dialog->directory().absolutePath();
            opened.files = dialog->selectedFiles();
            dialog->reject();
        }
    });
    EXPECT_EQ(askSaveFileName(nullptr, QStringLiteral("Save"), name, QStringLiteral("CSV files (*.csv)"),
                              QStringLiteral("csv")),
              QString());
    return opened;
}

TEST(SaveName, TheDialogOpensBesideTheLogsWithANameOffered)
{
    test::TempFolder root;
    const QString logs = QString::fromStdString((root.path() / "logs").string());
    QDir().mkpath(logs);
    setShownLogFolder(logs);
    const QString name = offeredFileName(QStringLiteral("rankings"), {QStringLiteral("01/07/2001"), QStringLiteral("31/07/2001")},
                                         QStringLiteral("csv"));
    EXPECT_EQ(name, QStringLiteral("zelkam-rankings-01-07-2001-31-07-2001.csv"));
    const Opened opened = openAndCancel(name);
    // Beside the log folder, which the program only reads, not in it.
    EXPECT_EQ(opened.folder, QDir(QString::fromStdString(root.path().string())).absolutePath());
    ASSERT_EQ(opened.files.size(), 1);
    EXPECT_TRUE(opened.files.first().endsWith(QStringLiteral("/zelkam-rankings-01-07-2001-31-07-2001.csv")))
        << opened.files.first().toStdString();
    setShownLogFolder(QString());
}

} // namespace
} // namespace zelkam
