#pragma once

#include <string>
#include <vector>

namespace zelkam::cli {

// The program's arguments after its name, as UTF-8. On Windows they are
// taken from the wide command line, since argv holds them in the ANSI code
// page, where a folder named with other characters cannot be written.
std::vector<std::string> commandArguments(int argc, char** argv);

// Makes the standard streams carry the bytes the commands write: on Windows
// no line-end translation (output is the same file as elsewhere) and UTF-8
// for the console. Nothing to do elsewhere.
void prepareStandardStreams();

} // namespace zelkam::cli
