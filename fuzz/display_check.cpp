#include "fuzz/display_check.h"

#include <string>

#include <nlohmann/json.hpp>

#include "text/text_encoding.h"
#include "text/text_out.h"
#include "views/display_text.h"

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

// The format and separator characters, written out here rather than taken
// from the code under test: those of the scripts a name may use, the
// separators, the tag block and the default-ignorable code points (the
// Hangul fillers, U+2065, the variation selectors ...).
bool isHiding(char32_t code)
{
    return code == 0xAD || code == 0x34F || (code >= 0x600 && code <= 0x605) || code == 0x6DD || code == 0x70F ||
           (code >= 0x115F && code <= 0x1160) || (code >= 0x17B4 && code <= 0x17B5) ||
           (code >= 0x180B && code <= 0x180F) || (code >= 0x200B && code <= 0x200D) || code == 0x2028 ||
           code == 0x2029 || (code >= 0x2060 && code <= 0x2065) || (code >= 0x206A && code <= 0x206F) ||
           code == 0x3164 || (code >= 0xFE00 && code <= 0xFE0F) || code == 0xFEFF || code == 0xFFA0 ||
           (code >= 0xFFF0 && code <= 0xFFFB) || (code >= 0xE0000 && code <= 0xE0FFF);
}

// A joiner or variation selector may stay where it draws as part of the
// character before it; this looser check only asks that there is one and
// that it is no ASCII (an escape ends in '}').
bool isJoinerOrSelector(char32_t code)
{
    return code == 0x200D || (code >= 0xFE00 && code <= 0xFE0F) || (code >= 0xE0100 && code <= 0xE01EF) ||
           (code >= 0x180B && code <= 0x180D) || code == 0x180F;
}

bool isBidiControl(char32_t code)
{
    return (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069) || code == 0x200E ||
           code == 0x200F || code == 0x061C;
}

} // namespace

void checkTerminalForm(std::string_view text)
{
    char32_t before = 0;
    forEachCodePoint(text, [&before](char32_t code) {
        const bool joins = isJoinerOrSelector(code) && before >= 0xA9;
        if (isControl(code) || isBidiControl(code) || (isHiding(code) && !joins))
            __builtin_trap();
        before = code;
    });
}

void checkHtmlPage(std::string_view page)
{
    forEachCodePoint(page, [](char32_t code) {
        if (isControl(code) && code != '\n' && code != '\t')
            __builtin_trap();
    });
    std::string lower(page);
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const char* markup : {"<script", "<img", "\"'</td>"}) {
        if (lower.find(markup) != std::string::npos)
            __builtin_trap();
    }
}

namespace {

// The JSON form, written as zelkam-cli writes it: serialized, then made safe.
// It must hold nothing but ASCII and characters that show, and read back as
// the decoded text exactly.
void checkJsonForm(std::string_view logBytes)
{
    using Json = nlohmann::ordered_json;
    const std::string decoded = logTextToUtf8(logBytes);
    Json document = Json::object();
    document["text"] = decoded;
    const std::string json = safeJson(document.dump(-1, ' ', false, Json::error_handler_t::strict));
    checkTerminalForm(json);
    const Json back = Json::parse(json, nullptr, false);
    if (back.is_discarded() || !back.contains("text") || back["text"].get<std::string>() != decoded)
        __builtin_trap();
}

} // namespace

void checkDisplayForms(std::string_view logBytes)
{
    checkTerminalForm(terminalText(logBytes));
    checkTerminalForm(terminalTextFromUtf8(logBytes));
    checkJsonForm(logBytes);
    // A spreadsheet cell: no piece (split at ';', as a spreadsheet may split
    // it) starts a formula after its blanks.
    const std::string cell = spreadsheetCell(logTextToUtf8(logBytes));
    checkTerminalForm(cell);
    checkTerminalForm(csvField(logTextToUtf8(logBytes)));
    bool pieceStart = true;
    for (const char c : cell) {
        if (pieceStart && (c == '=' || c == '+' || c == '-' || c == '@'))
            __builtin_trap();
        if (c == ';')
            pieceStart = true;
        else if (c != ' ')
            pieceStart = false;
    }

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
