#include "tests/cli/run_cli.h"

namespace zelkam::test {

// The build gives the program's path to this file alone (see
// CMakeLists.txt): the path differs between checkouts, and the files that
// run the program then compile alike in each, so a compiler cache serves
// them from any clone.
std::string cliPath()
{
    return ZELKAM_CLI_PATH;
}

} // namespace zelkam::test
