#pragma once

#include <bitset>
#include <string>
#include <string_view>

namespace zelkam {

// Appends the full Unicode case folding of utf8 to out: the common and full
// mappings, so "ß" becomes "ss" and "Σ" and "ς" both become "σ", but no
// normalisation (a fullwidth "Ａ" stays a fullwidth letter, a precomposed
// "é" is not split). utf8 must be valid UTF-8, as logTextToUtf8 makes it.
// Appending allocates only when out has to grow.
void appendCaseFolded(std::string& out, std::string_view utf8);

// The ASCII characters that the folding of some character outside ASCII
// gives: "k" (the Kelvin sign), "s" ("ſ", and "ß" folds to "ss"), the
// letters of the ligatures and a few more. Any other ASCII character of a
// folded text comes from that very character, in either case, in the
// decoded text. Worked out once from the folding tables.
const std::bitset<128>& asciiFromWiderFolds();

// True when every byte is below 0x80.
bool isAscii(std::string_view bytes);

} // namespace zelkam
