#include "text/text_out.h"

#include <cstdio>

#include <utf8proc.h>

#include "text/text_encoding.h"

namespace zelkam {
namespace {

constexpr char32_t FirstTag = 0xE0000;
constexpr char32_t LastTag = 0xE007F;

bool isControl(char32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

void appendEscape(std::string& out, char32_t code)
{
    // Room for any unsigned value, so the compiler sees no possible cut.
    char escape[16];
    if (isControl(code))
        std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(code));
    else
        std::snprintf(escape, sizeof escape, "\\u{%04X}", static_cast<unsigned>(code));
    out += escape;
}

void appendJsonEscape(std::string& out, char32_t code)
{
    char escape[16];
    if (code < 0x10000) {
        std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(code));
    } else {
        const char32_t offset = code - 0x10000;
        std::snprintf(escape, sizeof escape, "\\u%04x\\u%04x", static_cast<unsigned>(0xD800 + (offset >> 10)),
                      static_cast<unsigned>(0xDC00 + (offset & 0x3FF)));
    }
    out += escape;
}

bool startsFormula(char c) { return c == '=' || c == '+' || c == '-' || c == '@'; }

} // namespace

bool isActingCharacter(char32_t code)
{
    if (code < 0x80)
        return code < 0x20 || code == 0x7F;
    if (code <= 0x9F)
        return true;
    // Most tag characters are unassigned, yet a terminal or a font may still
    // act on them; the whole block counts.
    if (code >= FirstTag && code <= LastTag)
        return true;
    switch (utf8proc_category(static_cast<utf8proc_int32_t>(code))) {
    case UTF8PROC_CATEGORY_CC:
    case UTF8PROC_CATEGORY_CF:
    case UTF8PROC_CATEGORY_ZL:
    case UTF8PROC_CATEGORY_ZP:
        return true;
    default:
        return false;
    }
}

void appendTerminalTextFromUtf8(std::string& out, std::string_view utf8)
{
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0x20 && lead < 0x7F) {
            out += utf8[i++];
            continue;
        }
        const char32_t code = nextCodePoint(utf8, i);
        if (code == '\t')
            out += ' ';
        else if (isActingCharacter(code))
            appendEscape(out, code);
        else
            appendUtf8(out, code);
    }
}

std::string terminalTextFromUtf8(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    appendTerminalTextFromUtf8(out, utf8);
    return out;
}

void appendTerminalText(std::string& out, std::string_view logBytes)
{
    std::string decoded;
    decoded.reserve(logBytes.size());
    appendLogTextAsUtf8(decoded, logBytes);
    appendTerminalTextFromUtf8(out, decoded);
}

std::string terminalText(std::string_view logBytes)
{
    std::string out;
    out.reserve(logBytes.size());
    appendTerminalText(out, logBytes);
    return out;
}

std::string terminalText(const char* logText) { return terminalText(std::string_view(logText ? logText : "")); }

std::string safeJson(std::string_view json)
{
    std::string out;
    out.reserve(json.size());
    std::size_t i = 0;
    while (i < json.size()) {
        const auto lead = static_cast<unsigned char>(json[i]);
        // The C0 controls are the serializer's: escaped inside strings,
        // whitespace outside them.
        if (lead < 0x7F) {
            out += json[i++];
            continue;
        }
        const std::size_t start = i;
        const char32_t code = nextCodePoint(json, i);
        if (isActingCharacter(code))
            appendJsonEscape(out, code);
        else
            out.append(json.substr(start, i - start));
    }
    return out;
}

std::string spreadsheetCell(std::string_view utf8)
{
    std::string visible;
    visible.reserve(utf8.size());
    appendTerminalTextFromUtf8(visible, utf8);
    // Judged on the text as written out, so that no escape or decoding step
    // can put a formula sign first after the check. A spreadsheet that
    // takes ';' for its list separator splits the cell there, so every
    // piece is judged as a cell of its own.
    std::string cell;
    cell.reserve(visible.size() + 1);
    std::size_t pieceStart = 0;
    while (pieceStart <= visible.size()) {
        std::size_t pieceEnd = visible.find(';', pieceStart);
        if (pieceEnd == std::string::npos)
            pieceEnd = visible.size();
        const std::size_t first = visible.find_first_not_of(' ', pieceStart);
        if (first < pieceEnd && startsFormula(visible[first]))
            cell += '\'';
        cell.append(visible, pieceStart, pieceEnd - pieceStart);
        if (pieceEnd < visible.size())
            cell += ';';
        pieceStart = pieceEnd + 1;
    }
    return cell;
}

std::string csvField(std::string_view utf8)
{
    const std::string text = spreadsheetCell(utf8);
    if (text.find_first_of("\",\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

} // namespace zelkam
