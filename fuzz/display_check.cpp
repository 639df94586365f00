#include "fuzz/display_check.h"

#include <string>

#include "views/display_text.h"
#include "text/text_encoding.h"

namespace zelkam::fuzz {
namespace {

// Decodes UTF-8 on its own, rather than with the code under test, and traps
// on an ill-formed sequence.
template <typename Visit>
void forEachCodePoint(std::string_view utf8, Visit visit)
{
    for (std::size_t i = 0; i < utf8.size();) {
        const auto at = [&](std::size_t k) { return k < utf8.size() ? static_cast<unsigned char>(utf8[k]) : 0u; };
        const unsigned lead = at(i);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF5 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3
                                   : lead >= 0xC2                  ? 2
                                                                   : 0;
        if (length == 0)
            __builtin_trap();
        char32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length; ++k) {
            if ((at(i + k) & 0xC0) != 0x80)
                __builtin_trap();
            code = (code << 6) | (at(i + k) & 0x3F);
        }
        visit(code);
        i += length;
    }
}

bool isControl(char32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

bool isBidiControl(char32_t code)
{
    return (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069) || code == 0x200E ||
           code == 0x200F || code == 0x061C;
}

void checkTerminalForm(std::string_view text)
{
    forEachCodePoint(text, [](char32_t code) {
        if (isControl(code) || isBidiControl(code))
            __builtin_trap();
    });
}

} // namespace

void checkDisplayForms(std::string_view logBytes)
{
    checkTerminalForm(terminalText(logBytes));
    checkTerminalForm(terminalTextFromUtf8(logBytes));
    const std::string field = csvField(logTextToUtf8(logBytes));
    checkTerminalForm(field);
    if (!field.empty() && (field[0] == '=' || field[0] == '+' || field[0] == '-' || field[0] == '@'))
        __builtin_trap();

    // The window form: the outermost isolate opens first and closes last,
    // and nothing inside closes more isolates than it opened.
    const std::string isolated = isolatedDisplayText(logBytes);
    int depth = 0;
    bool closed = false;
    forEachCodePoint(isolated, [&](char32_t code) {
        if (closed || isControl(code) || (depth == 0 && code != 0x2068))
            __builtin_trap();
        if (code >= 0x2066 && code <= 0x2068)
            ++depth;
        else if (code == 0x2069 && --depth == 0)
            closed = true;
    });
    if (!closed)
        __builtin_trap();
}

} // namespace zelkam::fuzz
