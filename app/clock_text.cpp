#include "app/clock_text.h"

#include <ctime>

#include "parse/time_stamp.h"

namespace zelkam {

namespace {

std::string formatLocal(std::int32_t stamp, const char* format)
{
    std::tm local{};
    if (!toLocalTime(stamp, local))
        return {};
    char text[16];
    const std::size_t length = std::strftime(text, sizeof text, format, &local);
    return std::string(text, length);
}

} // namespace

std::string localDateText(std::int32_t stamp)
{
    return formatLocal(stamp, "%d/%m/%Y");
}

std::string localTimeText(std::int32_t stamp)
{
    return formatLocal(stamp, "%H:%M:%S");
}

} // namespace zelkam
