#include "text/text_encoding.h"

#include <gtest/gtest.h>

namespace zelkam {
namespace {

TEST(TextEncoding, KeepsUtf8AndReadsOtherBytesAsWindows1252)
{
    struct Case {
        const char* what;
        std::string_view bytes;
        std::string_view utf8;
    };
    const Case cases[] = {
        {"plain ASCII", "Bob : hi", "Bob : hi"},
        {"two-byte UTF-8", "Andr\xC3\xA9", "Andr\xC3\xA9"},
        {"fullwidth letters", "\xEF\xBC\xB4\xEF\xBC\xB2", "\xEF\xBC\xB4\xEF\xBC\xB2"},
        {"four-byte UTF-8", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"Latin-1 letter alone", "Andr\xE9", "Andr\xC3\xA9"},
        {"euro sign", "\x80", "\xE2\x82\xAC"},
        {"curly quotes", "\x93hi\x94", "\xE2\x80\x9Chi\xE2\x80\x9D"},
        {"Y with diaeresis", "\x9F", "\xC5\xB8"},
        {"unassigned 0x81", "\x81", "\xEF\xBF\xBD"},
        {"unassigned 0x8D", "\x8D", "\xEF\xBF\xBD"},
        {"unassigned 0x8F", "\x8F", "\xEF\xBF\xBD"},
        {"unassigned 0x90", "\x90", "\xEF\xBF\xBD"},
        {"unassigned 0x9D", "\x9D", "\xEF\xBF\xBD"},
        {"non-breaking space", "\xA0", "\xC2\xA0"},
        {"y with diaeresis", "\xFF", "\xC3\xBF"},
        {"overlong NUL is two code-page bytes", "\xC0\x80", "\xC3\x80\xE2\x82\xAC"},
        {"surrogate half is not UTF-8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        {"sequence cut at the end", "a\xE2\x82", "a\xC3\xA2\xE2\x80\x9A"},
        {"lead byte followed by ASCII", "\xC3(", "\xC3\x83("},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "\xC3\xB4\xEF\xBF\xBD\xE2\x82\xAC\xE2\x82\xAC"},
        {"mixed in one name", "\xC3\xA9\xE9", "\xC3\xA9\xC3\xA9"},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(logTextToUtf8(c.bytes), c.utf8) << c.what;
}

} // namespace
} // namespace zelkam
