#pragma once

#include <string>
#include <string_view>

namespace zelkam {

// Every name, chat line and command in a log was written by a stranger. This
// is the one way such text leaves the program as text: a terminal line, a
// CSV cell, a tooltip. It decodes log bytes as the views do and then makes
// every character that could act rather than show visible.

// True for the characters a terminal or a text layout would act on rather
// than show: the C0 controls, DEL, the C1 controls, and the bidirectional
// embedding, override, isolate and mark characters.
bool isActingCharacter(char32_t code);

// Log bytes as one line of terminal text: decoded as the views decode them
// (UTF-8 where well formed, Windows-1252 otherwise), a tab as a space, and
// every other acting character written as a visible escape: \xHH for the
// C0 and C1 controls and DEL, \u{HHHH} for the bidirectional controls.
void appendTerminalText(std::string& out, std::string_view logBytes);
std::string terminalText(std::string_view logBytes);
std::string terminalText(const char* logText);

// Text that is already UTF-8 (a composed chat line, say) made safe for a
// terminal the same way. Ill-formed bytes become U+FFFD.
std::string terminalTextFromUtf8(std::string_view utf8);

// Log bytes as one run of text for a window: decoded as above, a tab as a
// space, the C0 and C1 controls and DEL as U+FFFD, and the whole wrapped in
// a first-strong isolate (U+2068 ... U+2069). Isolate controls inside that
// have no partner are dropped or closed, so nothing the text holds can
// reorder what is drawn after it, while a right-to-left name still reads
// right to left. Text made only of bidirectional controls shows them as the
// terminal escapes instead, so a name is never an invisible row. Every
// window draws each piece of log text through this.
std::string isolatedDisplayText(std::string_view logBytes);
std::string isolatedDisplayText(const char* logText);

// One CSV field (RFC 4180) of already decoded text: quoted when it holds a
// quote, a comma or a line break, quotes doubled; a field that starts with
// '=', '+', '-' or '@' (once made visible) gets a leading apostrophe so that no spreadsheet
// reads it as a formula. Acting characters are escaped as for a terminal.
std::string csvField(std::string_view utf8);

} // namespace zelkam
