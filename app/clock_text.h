#pragma once

#include <cstdint>
#include <string>

namespace zelkam {

// The local date of a stamp as "dd/mm/yyyy" (10 characters) and its local
// time of day as "HH:MM:SS" (8 characters, 24-hour). A stamp the local-time
// conversion cannot handle gives an empty text.
std::string localDateText(std::int32_t stamp);
std::string localTimeText(std::int32_t stamp);

} // namespace zelkam
