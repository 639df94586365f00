#include "views/display_text.h"

#include "text/text_encoding.h"

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

} // namespace

std::string isolatedDisplayText(std::string_view logBytes)
{
    const std::string decoded = logTextToUtf8(logBytes);
    std::string out;
    out.reserve(decoded.size() + 8);
    appendUtf8(out, FirstStrongIsolate);
    bool showsSomething = false;
    int openIsolates = 0;
    EscapeScan scan(decoded);
    char32_t code = 0;
    bool escaped = false;
    while (scan.next(code, escaped)) {
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
        // A control shows as the replacement character; a zero-width,
        // default-ignorable or other format character shows nothing, unless
        // it joins or varies the character before it.
        bool shows = !escaped;
        if (code == '\t' || isControlCharacter(code)) {
            code = code == '\t' ? U' ' : char32_t{0xFFFD};
            shows = true;
        }
        showsSomething = showsSomething || shows;
        appendUtf8(out, code);
    }
    if (!showsSomething && !decoded.empty()) {
        // Nothing that shows: an invisible name, so show what it is made of.
        out.resize(0);
        appendUtf8(out, FirstStrongIsolate);
        appendTerminalTextFromUtf8(out, decoded);
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

void appendIsolatedDisplayText(std::string& out, std::string_view logBytes) { out += isolatedDisplayText(logBytes); }

} // namespace zelkam
