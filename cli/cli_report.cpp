// zelkam-cli report: one self-contained page about a range of one day.

#include "cli/cli_investigate.h"
#include "cli/cli_usage.h"

namespace zelkam::cli {

int runReport(const std::vector<std::string>&) { return usageError("report is not there yet"); }

} // namespace zelkam::cli
