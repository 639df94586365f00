#pragma once

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

// True for the characters that act rather than show, or show nothing at
// all: the Unicode categories Cc (C0 controls, DEL, C1 controls), Cf (format
// characters: the bidirectional controls, zero-width characters, U+FEFF,
// U+FFF9 to U+FFFB, the tag characters U+E0000 to U+E007F ...), Zl (U+2028)
// and Zp (U+2029).
bool isActingCharacter(char32_t code);

// Log bytes as one line of terminal text: decoded, a tab as a space, and
// every other acting character written as an escape: \xHH for the C0 and C1
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
