#pragma once

#include <string>
#include <string_view>

#include "text/text_out.h"

namespace zelkam {

// How a piece of log text is drawn in a window. Text leaving the program
// (a terminal, JSON, a spreadsheet, the clipboard) and the plain text of a
// tooltip go through text/text_out.h instead.

// Log bytes as one run of text for a window: decoded as text_encoding.h
// says, a tab as a
// space, the C0 and C1 controls and DEL as U+FFFD, and the whole wrapped in
// a first-strong isolate (U+2068 ... U+2069). Isolate controls inside that
// have no partner are dropped or closed, so nothing the text holds can
// reorder what is drawn after it, while a right-to-left name still reads
// right to left. Text made only of characters that show nothing (format,
// line and paragraph separator characters, the bidirectional controls among
// them, every default-ignorable code point such as the Hangul fillers: the
// acting characters of text_out.h) shows them as the terminal escapes
// instead, so a name is never an invisible row. Every window draws each piece of log text through this.
std::string isolatedDisplayText(std::string_view logBytes);
std::string isolatedDisplayText(const char* logText);
// isolatedDisplayText appended to out: a window's way to write a stranger's
// text into a line it composes.
void appendIsolatedDisplayText(std::string& out, std::string_view logBytes);

} // namespace zelkam
