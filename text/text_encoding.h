#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelkam {

// Names and texts are kept as the bytes the server logged; only showing them
// decodes. Servers before the engine moved to UTF-8 wrote names in the
// players' code page, so both kinds of byte runs occur, even within one log:
// every run of bytes that forms well-formed UTF-8 is kept as it is, and every
// other byte is read as Windows-1252, whose five unassigned bytes (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) become U+FFFD. The result is always valid UTF-8.
void appendLogTextAsUtf8(std::string& out, std::string_view bytes);

// appendLogTextAsUtf8 into a fresh string. A null text reads as empty.
std::string logTextToUtf8(std::string_view bytes);
std::string logTextToUtf8(const char* text);

// Reads one code point of UTF-8 at utf8[i] and moves i past it. A byte that
// does not start a well-formed sequence (overlong, surrogate, cut short,
// above U+10FFFF) reads as U+FFFD and moves i one byte.
char32_t nextCodePoint(std::string_view utf8, std::size_t& i);

// Appends code as UTF-8. code must be a scalar value (not a surrogate, at
// most U+10FFFF).
void appendUtf8(std::string& out, char32_t code);

} // namespace zelkam
