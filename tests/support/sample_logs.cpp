#include "tests/support/sample_logs.h"

namespace zelkam::test {

// The build gives the folder's path to this file alone (see CMakeLists.txt):
// a path differs between checkouts, and the test files that use the folder
// then compile alike in each, so a compiler cache serves them from any clone.
std::string sampleLogs()
{
    return ZELKAM_SAMPLE_LOGS;
}

} // namespace zelkam::test
