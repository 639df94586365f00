#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelkam {

// Every name, chat line, command and file name in a log folder was written by
// a stranger. This is the one way such text leaves the program: a terminal
// line, a JSON document, a spreadsheet cell (a CSV file or the clipboard).
// Each form decodes log bytes as the windows do (text_encoding.h) and then
// shows every character that could act rather than show as a visible escape.
// The windows draw through isolatedDisplayText (views/display_text.h), which
// keeps right-to-left names readable instead.

// True for the C0 controls, DEL and the C1 controls: the characters a
// terminal obeys rather than draws. Terminal text writes them as \xHH, the
// windows draw them as U+FFFD.
bool isControlCharacter(char32_t code);

// True for the characters that act rather than show, or show nothing at
// all: the Unicode categories Cc (C0 controls, DEL, C1 controls), Cf (format
// characters: the bidirectional controls, zero-width characters, U+FEFF,
// U+FFF9 to U+FFFB, the tag characters U+E0000 to U+E007F ...), Zl (U+2028)
// and Zp (U+2029), and every default-ignorable code point, assigned or not
// (U+2065, U+E0080, the variation selectors, the Hangul fillers U+115F,
// U+1160, U+3164 and U+FFA0, the Khmer inherent vowels U+17B4 and U+17B5,
// ...): a font draws those as nothing, so "Admin" followed by one looks
// exactly like "Admin".
bool isActingCharacter(char32_t code);

// Reads UTF-8 text one code point at a time and tells of each whether it is
// shown as an escape where it stands. Every acting character is, except a
// zero-width joiner or a variation selector that directly follows a
// character it joins or varies, where it draws as part of that character:
// a joiner after an emoji (or its skin tone or emoji variation selector) or
// after a virama, the emoji and text variation selectors after an emoji
// (and on a keycap's digit, '#' or '*' when the keycap mark follows), the
// ideographic variation selectors after an ideograph, the Mongolian free
// variation selectors after a Mongolian letter. Every other variation
// selector shows as an escape: masking more is the safe side.
class EscapeScan {
public:
    explicit EscapeScan(std::string_view utf8) : utf8_(utf8) {}

    // Reads the next code point into code, with escaped true when it is
    // shown as an escape; false at the end. A byte that does not start
    // well-formed UTF-8 reads as U+FFFD.
    bool next(char32_t& code, bool& escaped)
    {
        if (at_ >= utf8_.size())
            return false;
        // Printable ASCII, most of any log text, is decided here inline.
        const auto lead = static_cast<unsigned char>(utf8_[at_]);
        if (lead >= 0x20 && lead < 0x7F) {
            code = lead;
            escaped = false;
            shownBefore_ = lead;
            ++at_;
            return true;
        }
        nextWide(code, escaped);
        return true;
    }
    // Where the next code point starts, in bytes.
    std::size_t position() const { return at_; }

private:
    void nextWide(char32_t& code, bool& escaped);

    std::string_view utf8_;
    std::size_t at_ = 0;
    // The code point read last when it was shown as itself, else 0: a
    // joiner after an escaped selector joins nothing that is drawn.
    char32_t shownBefore_ = 0;
};

// Log bytes as one line of terminal text: decoded, a tab as a space, and
// every other code point EscapeScan escapes written as an escape: \xHH for the C0 and C1
// controls and DEL, \u{HHHH} (four to six hex digits) for the rest. The
// result is valid UTF-8 without a control, so a text made only of such
// characters still shows as its escapes.
void appendTerminalText(std::string& out, std::string_view logBytes);
std::string terminalText(std::string_view logBytes);
std::string terminalText(const char* logText);

// Text that is already UTF-8 (a composed chat line, a message of ours that
// quotes an argument) made safe for a terminal the same way. Ill-formed
// bytes become U+FFFD.
void appendTerminalTextFromUtf8(std::string& out, std::string_view utf8);
std::string terminalTextFromUtf8(std::string_view utf8);

// Log bytes as the text of an HTML element or a quoted attribute value:
// decoded, the characters HTML gives a meaning (& < > " ') written as
// character references, a tab as a space, and every code point EscapeScan
// escapes written as the terminal's visible escapes (\xHH, \u{HHHH}), so
// that no bidirectional control reorders the page and no invisible
// character hides in a name. The result is UTF-8 and holds no markup.
void appendHtmlText(std::string& out, std::string_view logBytes);
std::string htmlText(std::string_view logBytes);
// Text that is already UTF-8 (a composed chat line, our own words) made
// safe for HTML the same way.
void appendHtmlTextFromUtf8(std::string& out, std::string_view utf8);

// A serialized JSON document made safe to print: every acting character
// that a serializer leaves raw inside a string (DEL, the C1 controls, the
// format and separator characters) is written as its \u escape, as a
// surrogate pair above U+FFFF. json must be valid UTF-8; outside its strings
// JSON is ASCII, so every such character is inside a string, where the
// escape stands for the same character and a reader gets the text back.
std::string safeJson(std::string_view json);

// One cell for a spreadsheet, of decoded text: acting characters escaped as
// for a terminal (so no tab or line break splits the cell), and an
// apostrophe put before the cell, and before each piece of it after a ';',
// whose first character after any blanks is '=', '+', '-' or '@', so that
// no spreadsheet reads the text as a formula, whatever it takes for the
// list separator. For tab-separated text (the clipboard).
std::string spreadsheetCell(std::string_view utf8);

// The same cell as one CSV field (RFC 4180): quoted when it holds a quote, a
// comma or a line break, quotes doubled.
std::string csvField(std::string_view utf8);

} // namespace zelkam
