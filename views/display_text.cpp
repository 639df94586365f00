#include "views/display_text.h"

#include <cstdio>

#include "views/text_encoding.h"

namespace zelkam {
namespace {

constexpr char32_t FirstStrongIsolate = 0x2068;
constexpr char32_t PopDirectionalIsolate = 0x2069;

bool isIsolateInitiator(char32_t code) { return code >= 0x2066 && code <= 0x2068; }

bool isBidiControl(char32_t code)
{
    return (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069) || code == 0x200E ||
           code == 0x200F || code == 0x061C;
}

// Decodes one code point from well-formed UTF-8 at bytes[i], moving i past
// it; an ill-formed byte reads as U+FFFD and moves one byte.
char32_t nextCodePoint(std::string_view bytes, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || i + length > bytes.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    constexpr char32_t shortest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < shortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
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

// Appends valid UTF-8 with every acting character made visible.
void appendVisible(std::string& out, std::string_view utf8)
{
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0x20 && lead < 0x7F) {
            out += utf8[i++];
            continue;
        }
        const char32_t code = nextCodePoint(utf8, i);
        if (code == '\t') {
            out += ' ';
        } else if (isBidiControl(code)) {
            char escape[12];
            std::snprintf(escape, sizeof escape, "\\u{%04X}", static_cast<unsigned>(code));
            out += escape;
        } else if (isActingCharacter(code)) {
            // Room for any unsigned value, so the compiler sees no possible cut.
            char escape[12];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(code));
            out += escape;
        } else {
            appendUtf8(out, code);
        }
    }
}

} // namespace

bool isActingCharacter(char32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F) || isBidiControl(code); }

void appendTerminalText(std::string& out, std::string_view logBytes)
{
    std::string decoded;
    decoded.reserve(logBytes.size());
    appendLogTextAsUtf8(decoded, logBytes);
    appendVisible(out, decoded);
}

std::string terminalText(std::string_view logBytes)
{
    std::string out;
    out.reserve(logBytes.size());
    appendTerminalText(out, logBytes);
    return out;
}

std::string terminalText(const char* logText) { return terminalText(std::string_view(logText ? logText : "")); }

std::string terminalTextFromUtf8(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    appendVisible(out, utf8);
    return out;
}

std::string isolatedDisplayText(std::string_view logBytes)
{
    const std::string decoded = logTextToUtf8(logBytes);
    std::string out;
    out.reserve(decoded.size() + 8);
    appendUtf8(out, FirstStrongIsolate);
    bool showsSomething = false;
    int openIsolates = 0;
    for (std::size_t i = 0; i < decoded.size();) {
        char32_t code = nextCodePoint(decoded, i);
        if (isBidiControl(code)) {
            // A closing isolate without its opener would end our own isolate
            // early and let what follows it leak out; it is dropped. The
            // embeddings and overrides need no care: the closing isolate
            // ends every one still open inside it.
            if (isIsolateInitiator(code)) {
                ++openIsolates;
            } else if (code == PopDirectionalIsolate) {
                if (openIsolates == 0)
                    continue;
                --openIsolates;
            }
            appendUtf8(out, code);
            continue;
        }
        if (code == '\t')
            code = ' ';
        else if (isActingCharacter(code))
            code = 0xFFFD;
        showsSomething = true;
        appendUtf8(out, code);
    }
    if (!showsSomething && !decoded.empty()) {
        // Nothing but bidirectional controls: an invisible name, so show
        // what it is made of.
        out.resize(0);
        appendUtf8(out, FirstStrongIsolate);
        appendVisible(out, decoded);
        openIsolates = 0;
    }
    for (; openIsolates > 0; --openIsolates)
        appendUtf8(out, PopDirectionalIsolate);
    appendUtf8(out, PopDirectionalIsolate);
    return out;
}

std::string isolatedDisplayText(const char* logText)
{
    return isolatedDisplayText(std::string_view(logText ? logText : ""));
}

std::string csvField(std::string_view utf8)
{
    std::string text;
    appendVisible(text, utf8);
    // Judged on the text as written out, so that no escape or decoding step
    // can put a formula sign first after the check.
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@'))
        text.insert(0, 1, '\'');
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
