#include "text/text_out.h"

#include <cstdio>

#include <utf8proc.h>

#include "text/text_encoding.h"

namespace zelkam {
namespace {

struct CodeRange {
    char32_t first;
    char32_t last;
};

// Unicode's Default_Ignorable_Code_Point, as DerivedCoreProperties.txt
// lists it, the unassigned code points of it included: a renderer draws
// them as nothing whether or not its font knows them, and a font made after
// this table may know more of them. The property is kept stable by Unicode
// (code points are added to it only while unassigned), so the table holds
// for later versions. The Hangul fillers (U+115F, U+1160, U+3164, U+FFA0)
// are in it.
constexpr CodeRange DefaultIgnorable[] = {
    {0x00AD, 0x00AD},   // soft hyphen
    {0x034F, 0x034F},   // combining grapheme joiner
    {0x061C, 0x061C},   // Arabic letter mark
    {0x115F, 0x1160},   // Hangul choseong and jungseong fillers
    {0x17B4, 0x17B5},   // Khmer inherent vowels
    {0x180B, 0x180F},   // Mongolian free variation selectors, vowel separator
    {0x200B, 0x200F},   // zero-width space, (non-)joiner, direction marks
    {0x202A, 0x202E},   // bidirectional embeddings and overrides
    {0x2060, 0x206F},   // word joiner, invisible operators, U+2065, isolates
    {0x3164, 0x3164},   // Hangul filler
    {0xFE00, 0xFE0F},   // variation selectors 1 to 16
    {0xFEFF, 0xFEFF},   // zero-width no-break space
    {0xFFA0, 0xFFA0},   // halfwidth Hangul filler
    {0xFFF0, 0xFFF8},   // unassigned
    {0x1BCA0, 0x1BCA3}, // shorthand format controls
    {0x1D173, 0x1D17A}, // musical beam and phrase controls
    {0xE0000, 0xE0FFF}, // tags, variation selectors 17 to 256, unassigned
};

bool isDefaultIgnorable(char32_t code)
{
    for (const CodeRange& range : DefaultIgnorable) {
        if (code < range.first)
            return false;
        if (code <= range.last)
            return true;
    }
    return false;
}

constexpr char32_t ZeroWidthJoiner = 0x200D;
constexpr char32_t TextPresentationSelector = 0xFE0E;
constexpr char32_t EmojiPresentationSelector = 0xFE0F;
constexpr char32_t CombiningKeycap = 0x20E3;

bool isEmoji(char32_t code)
{
    const utf8proc_propval_t boundClass = utf8proc_get_property(static_cast<utf8proc_int32_t>(code))->boundclass;
    return boundClass == UTF8PROC_BOUNDCLASS_EXTENDED_PICTOGRAPHIC || boundClass == UTF8PROC_BOUNDCLASS_E_ZWG;
}

bool isSkinTone(char32_t code) { return code >= 0x1F3FB && code <= 0x1F3FF; }

bool isKeycapBase(char32_t code) { return (code >= '0' && code <= '9') || code == '#' || code == '*'; }

// A virama (canonical combining class 9) ends an Indic consonant; a joiner
// after it asks for the half form.
bool isVirama(char32_t code) { return utf8proc_get_property(static_cast<utf8proc_int32_t>(code))->combining_class == 9; }

// The blocks of CJK ideographs, and the ideographic planes.
bool isIdeograph(char32_t code)
{
    return (code >= 0x3400 && code <= 0x4DBF) || (code >= 0x4E00 && code <= 0x9FFF) ||
           (code >= 0xF900 && code <= 0xFAFF) || (code >= 0x20000 && code <= 0x3FFFD);
}

bool isMongolianLetter(char32_t code) { return (code >= 0x1820 && code <= 0x1878) || (code >= 0x1880 && code <= 0x18AA); }

// Whether code, an acting character, draws as part of the shown character
// before it (0 when there is none) and so is not escaped. after is the code
// point that follows, 0 at the end.
bool drawsWithCharacterBefore(char32_t before, char32_t code, char32_t after)
{
    if (before == 0)
        return false;
    if (code == ZeroWidthJoiner)
        return isEmoji(before) || isSkinTone(before) || before == EmojiPresentationSelector || isVirama(before);
    if (code == TextPresentationSelector || code == EmojiPresentationSelector)
        return isEmoji(before) || (isKeycapBase(before) && after == CombiningKeycap);
    if ((code >= 0xFE00 && code <= 0xFE02) || (code >= 0xE0100 && code <= 0xE01EF))
        return isIdeograph(before);
    if ((code >= 0x180B && code <= 0x180D) || code == 0x180F)
        return isMongolianLetter(before);
    return false;
}

void appendEscape(std::string& out, char32_t code)
{
    // Room for any unsigned value, so the compiler sees no possible cut.
    char escape[16];
    if (isControlCharacter(code))
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

bool isControlCharacter(char32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

bool isActingCharacter(char32_t code)
{
    if (code < 0x80)
        return code < 0x20 || code == 0x7F;
    if (code <= 0x9F)
        return true;
    // Most tag characters, U+2065 and others are unassigned, yet a renderer
    // draws them as nothing too: the whole default-ignorable set counts.
    if (isDefaultIgnorable(code))
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

void EscapeScan::nextWide(char32_t& code, bool& escaped)
{
    code = nextCodePoint(utf8_, at_);
    escaped = isActingCharacter(code);
    if (escaped && shownBefore_ != 0) {
        std::size_t peek = at_;
        const char32_t after = peek < utf8_.size() ? nextCodePoint(utf8_, peek) : 0;
        escaped = !drawsWithCharacterBefore(shownBefore_, code, after);
    }
    shownBefore_ = escaped ? 0 : code;
}

void appendTerminalTextFromUtf8(std::string& out, std::string_view utf8)
{
    EscapeScan scan(utf8);
    char32_t code = 0;
    bool escaped = false;
    while (scan.next(code, escaped)) {
        if (code == '\t')
            out += ' ';
        else if (escaped)
            appendEscape(out, code);
        else if (code < 0x80)
            out += static_cast<char>(code);
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

void appendHtmlTextFromUtf8(std::string& out, std::string_view utf8)
{
    EscapeScan scan(utf8);
    char32_t code = 0;
    bool escaped = false;
    while (scan.next(code, escaped)) {
        switch (code) {
        case '&':
            out += "&amp;";
            continue;
        case '<':
            out += "&lt;";
            continue;
        case '>':
            out += "&gt;";
            continue;
        case '"':
            out += "&quot;";
            continue;
        case '\'':
            out += "&#39;";
            continue;
        case '\t':
            out += ' ';
            continue;
        default:
            break;
        }
        if (escaped)
            appendEscape(out, code);
        else if (code < 0x80)
            out += static_cast<char>(code);
        else
            appendUtf8(out, code);
    }
}

void appendHtmlText(std::string& out, std::string_view logBytes)
{
    std::string decoded;
    decoded.reserve(logBytes.size());
    appendLogTextAsUtf8(decoded, logBytes);
    appendHtmlTextFromUtf8(out, decoded);
}

std::string htmlText(std::string_view logBytes)
{
    std::string out;
    appendHtmlText(out, logBytes);
    return out;
}

std::string safeJson(std::string_view json)
{
    std::string out;
    out.reserve(json.size());
    EscapeScan scan(json);
    char32_t code = 0;
    bool escaped = false;
    for (std::size_t start = 0; scan.next(code, escaped); start = scan.position()) {
        // The C0 controls are the serializer's: escaped inside strings,
        // whitespace outside them.
        if (code < 0x7F)
            out += static_cast<char>(code);
        else if (escaped)
            appendJsonEscape(out, code);
        else
            out.append(json.substr(start, scan.position() - start));
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
