#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "tools/loggen/log_generator.h"

namespace zelkam {

// What the zelkam-loggen command line asks for.
struct LogGenCommand {
    LogGenOptions options;
    std::filesystem::path out;
    bool help = false;  // --help: print the usage and do nothing else
};

// Reads the arguments that follow the program name. True when they are
// usable: either help is set, or out and the options are, with every option
// in range (see validOptions). False, with problem set to a one-line reason,
// for an unknown option, a missing or malformed value, or no --out.
bool parseCommandLine(std::span<const std::string_view> arguments, LogGenCommand& command, std::string& problem);

// The usage text, several lines ending with a line feed.
std::string_view usageText();

} // namespace zelkam
