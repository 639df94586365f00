#include "app/clock_text.h"

#include <ctime>

namespace zelkam {

namespace {

std::string formatLocal(std::int32_t stamp, const char* format)
{
    const std::time_t time = stamp;
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &time) != 0)
        return {};
#else
    if (localtime_r(&time, &local) == nullptr)
        return {};
#endif
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
