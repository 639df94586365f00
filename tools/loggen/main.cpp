// zelkam-loggen: writes a deterministic folder of server logs, for the
// bundled samples and for benchmarks.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "tools/loggen/command_line.h"
#include "tools/loggen/log_generator.h"

int main(int argc, char** argv)
{
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    zelkam::LogGenCommand command;
    std::string problem;
    if (!zelkam::parseCommandLine(arguments, command, problem)) {
        std::fprintf(stderr, "zelkam-loggen: %s\n\n%.*s", problem.c_str(),
                     static_cast<int>(zelkam::usageText().size()), zelkam::usageText().data());
        return 2;
    }
    if (command.help) {
        std::fwrite(zelkam::usageText().data(), 1, zelkam::usageText().size(), stdout);
        return 0;
    }
    if (!zelkam::generateLogFolder(command.out, command.options)) {
        std::fprintf(stderr, "zelkam-loggen: could not write the log folder %s\n", command.out.string().c_str());
        return 1;
    }
    return 0;
}
