#include "text/text_encoding.h"

#include <cstdint>

namespace zelkam {
namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

// Windows-1252 code points of the bytes 0x80 to 0x9F; the bytes from 0xA0 on
// are the Latin-1 code points of the same number.
constexpr char32_t Windows1252High[32] = {
    0x20AC, ReplacementCharacter, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, ReplacementCharacter, 0x017D, ReplacementCharacter,
    ReplacementCharacter, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, ReplacementCharacter, 0x017E, 0x0178,
};

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at the start of bytes, or 0
// when none starts there. Overlong forms, surrogates and code points above
// U+10FFFF are not well-formed.
std::size_t utf8SequenceLength(std::string_view bytes)
{
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            secondLow = 0xA0;
        else if (lead == 0xED)
            secondHigh = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            secondLow = 0x90;
        else if (lead == 0xF4)
            secondHigh = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < secondLow || at(1) > secondHigh)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(at(i)))
            return 0;
    }
    return length;
}

} // namespace

void appendLogTextAsUtf8(std::string& out, std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = utf8SequenceLength(bytes.substr(i));
        if (length > 0) {
            out.append(bytes.substr(i, length));
            i += length;
            continue;
        }
        const auto byte = static_cast<unsigned char>(bytes[i++]);
        appendUtf8(out, byte < 0xA0 ? Windows1252High[byte - 0x80] : char32_t{byte});
    }
}

std::string logTextToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    appendLogTextAsUtf8(out, bytes);
    return out;
}

std::string logTextToUtf8(const char* text) { return logTextToUtf8(std::string_view(text ? text : "")); }

char32_t nextCodePoint(std::string_view utf8, std::size_t& i)
{
    const std::size_t length = utf8SequenceLength(utf8.substr(i));
    if (length == 0) {
        ++i;
        return ReplacementCharacter;
    }
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(utf8[i + k]); };
    char32_t code = length == 1 ? at(0) : at(0) & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k)
        code = (code << 6) | (at(k) & 0x3F);
    i += length;
    return code;
}

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace zelkam
