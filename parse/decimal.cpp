#include "parse/decimal.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace zelkam {

std::int32_t decimalValue(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // An unsigned reading takes no sign of its own, so "--5" reads as 0, and
    // stops at the first character that is not a digit.
    std::uint32_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), magnitude);
    constexpr std::uint32_t limit = std::uint32_t{std::numeric_limits<std::int32_t>::max()} + 1;
    if (error == std::errc::result_out_of_range || magnitude > limit)
        magnitude = limit;
    if (negative)
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
    return magnitude == limit ? std::numeric_limits<std::int32_t>::max() : static_cast<std::int32_t>(magnitude);
}

bool readNumber(std::string_view text, std::int64_t& value, const NumberFormat& format)
{
    // from_chars takes a '-' of its own but never a '+' or a blank.
    if (text.empty() || (text[0] == '-' && !format.sign))
        return false;
    std::int64_t number = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, number);
    if (error != std::errc() || end != last || number < format.min || number > format.max)
        return false;
    value = number;
    return true;
}

} // namespace zelkam
