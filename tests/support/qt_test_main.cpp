// main() for the GoogleTest suites that need widgets: one QApplication for
// the whole run, on the offscreen platform unless the caller chose another.

#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// Fontconfig keeps patterns for the font fallbacks it was asked for until the
// process ends, and a test run alone can end before Qt hands them back; they
// are the library's, not ours, so the leak check leaves them out.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
#endif

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef Q_OS_WIN
    // Offscreen on Windows, Qt reads fonts from a folder of font files
    // rather than asking the system, and without this it finds none: the
    // system's own fonts folder is the one to read.
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && !qEnvironmentVariableIsSet("QT_QPA_FONTDIR")) {
        const QString windows = qEnvironmentVariable("WINDIR", QStringLiteral("C:\\Windows"));
        qputenv("QT_QPA_FONTDIR", (windows + QStringLiteral("\\Fonts")).toLocal8Bit());
    }
#endif
    // Whatever a test forgets, the user's real settings stay untouched.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZelkamTests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
