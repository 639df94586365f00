#pragma once

#include <string>

namespace zelkam::test {

// The bundled sample folder (samples/logs) of this checkout.
std::string sampleLogs();

} // namespace zelkam::test
