#pragma once

#include <string_view>

namespace zelkam::fuzz {

// Traps unless every way log text is written out for a terminal, a JSON
// document, a spreadsheet cell or a window made logBytes safe: the terminal,
// JSON and spreadsheet forms valid UTF-8 without a control (line feeds and
// all), bidirectional, format or separator character, the JSON form reading
// back as the decoded text, no piece of a cell starting a formula, and the
// window form one first-strong isolate that no character inside can close
// early or leave open, holding no control character.
void checkDisplayForms(std::string_view logBytes);

// Traps unless text, a line written out for a terminal, is valid UTF-8
// without a control (line feeds and all), bidirectional, format or
// separator character: what every terminal form above must be.
void checkTerminalForm(std::string_view text);

// Traps unless page, an HTML page written about logs strangers wrote, is
// valid UTF-8 without a control character but line feeds and tabs, and
// holds no markup those texts brought (a script, an image, the end of a
// cell): escaped, they show as text.
void checkHtmlPage(std::string_view page);

} // namespace zelkam::fuzz
