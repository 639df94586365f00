// zelkam-cli over archived logs: the same output as over the plain files,
// and a warning, in visible characters, for an archive it could not read
// to its end.

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/cli/run_cli.h"
#include "tests/support/compression.h"
#include "tests/support/log_lines.h"
#include "tests/support/temp_folder.h"

namespace zelkam {
namespace {

using namespace zelkam::test;
using Strings = std::vector<std::string>;

TEST(CliArchives, ArchivesShowAsTheirPlainFilesAndDamageIsWarnedOf)
{
    const std::string evening = LogText("07/05/2001")
                                    .at("23:00:00", connected("Bob", 12, "10.0.0.1:27005"))
                                    .at("23:00:10", said("Bob", 12, "CT", "hello yesterday"))
                                    .text();
    std::string morning = LogText("07/06/2001")
                              .at("09:00:00", mapStarted("de_dust"))
                              .at("09:21:08", said("Bob", 12, "CT", "hello"))
                              .at("09:21:20", saidTeam("Ann", 3, "TERRORIST", "hi team"))
                              .text();
    // Enough text that a cut archive still holds the first lines.
    for (int i = 0; i < 2000; ++i)
        morning += lineAt("07/06/2001", "10:00:00", said("Bob", 12, "CT", "filler " + std::to_string(i)));
#ifdef _WIN32
    // Windows file names cannot hold control characters.
    const std::string odd, shownOdd;
#else
    const std::string odd = "\x1b[31m", shownOdd = "\\x1b[31m";
#endif
    const std::string cutName = "L0706000" + odd + ".log.xz";
    const std::string whole = xzCompressed(morning);
    const std::string cut = whole.substr(0, whole.size() / 2);

    TempFolder archived;
    archived.write("L0705000.log.gz", gzipped(evening));
    archived.write(cutName, cut);
    TempFolder plain;
    plain.write("L0705000.log", evening);
    plain.write("L0706000" + odd + ".log", unxzAtOnce(cut));

    const std::string warning = "zelkam-cli: warning: L0706000" + shownOdd + ".log.xz (06/07/2001) is damaged or cut short; only its first "
        + std::to_string(unxzAtOnce(cut).size()) + " bytes were read\n";
    for (const Strings& args : std::vector<Strings>{{"days"},
                                                    {"events", "06/07/2001"},
                                                    {"chat", "06/07/2001"},
                                                    {"overview", "06/07/2001"},
                                                    {"grep", "hello"},
                                                    {"replay", "06/07/2001", "cmd:5", "tick:10"}}) {
        Strings withArchives = args;
        withArchives.insert(withArchives.begin() + 1, archived.string());
        Strings withPlain = args;
        withPlain.insert(withPlain.begin() + 1, plain.string());
        SCOPED_TRACE(args[0]);
        const CliResult fromArchives = runCli(withArchives);
        const CliResult fromPlain = runCli(withPlain);
        EXPECT_EQ(fromArchives.status, 0);
        EXPECT_EQ(fromArchives.out, fromPlain.out);
        EXPECT_EQ(fromPlain.err, "");
        if (args[0] == "days") {
            EXPECT_EQ(fromArchives.err, "");
            continue;
        }
        // Once, however many windows read the file.
        EXPECT_EQ(fromArchives.err, warning);
    }
#ifndef _WIN32
    // Following the folder tells of it too, once, as the day is read (driven
    // through a child process and its signals, which the Windows build of
    // the tests has not).
    CliProcess follow({"follow", archived.string()});
    EXPECT_TRUE(follow.readLine());
    follow.stop(SIGTERM);
    EXPECT_EQ(follow.errors(), warning);
#endif
}

} // namespace
} // namespace zelkam
