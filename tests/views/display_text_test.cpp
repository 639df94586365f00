#include "views/display_text.h"

#include <gtest/gtest.h>

#include <string>

namespace zelkam {
namespace {

// Names, chat and remote-console texts come from strangers; these are the
// characters they would use to act on a terminal or a text layout.
TEST(DisplayText, TerminalTextShowsEveryActingCharacter)
{
    struct Case {
        const char* what;
        std::string_view logBytes;
        std::string_view shown;
    };
    const Case cases[] = {
        {"plain text", "Bob : hi", "Bob : hi"},
        {"clear screen", "\x1b[2J\x1b[H", "\\x1b[2J\\x1b[H"},
        {"erase the line above", "a\x1b[1A\x1b[2Kb", "a\\x1b[1A\\x1b[2Kb"},
        {"window title", "\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},
        {"hyperlink", "\x1b]8;;http://x\x1b\\y", "\\x1b]8;;http://x\\x1b\\y"},
        {"clipboard write", "\x1b]52;c;cm0gLXJm\x07", "\\x1b]52;c;cm0gLXJm\\x07"},
        {"carriage return forges a line", "ok\rRcon: x", "ok\\x0dRcon: x"},
        {"line feed", "a\nb", "a\\x0ab"},
        {"NUL-free C0 range", "\x01\x1f", "\\x01\\x1f"},
        {"tab is a space", "a\tb", "a b"},
        {"DEL", "a\x7f", "a\\x7f"},
        {"C1 CSI as UTF-8", "\xc2\x9b" "2J", "\\x9b2J"},
        {"C1 NEL and APC as UTF-8", "\xc2\x85\xc2\x9f", "\\x85\\x9f"},
        {"code-page byte 0x9B is a quote, not CSI", "\x9b", "\xe2\x80\xba"},
        {"right-to-left override", "\xe2\x80\xae" "abc", "\\u{202E}abc"},
        {"isolates and marks", "\xe2\x81\xa6\xe2\x81\xa9\xe2\x80\x8e\xe2\x80\x8f\xd8\x9c",
         "\\u{2066}\\u{2069}\\u{200E}\\u{200F}\\u{061C}"},
        {"letters of other scripts stay", "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d \xc3\xa9", "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d \xc3\xa9"},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(terminalText(c.logBytes), c.shown) << c.what;
    EXPECT_EQ(terminalText(static_cast<const char*>(nullptr)), "");
    // Text already in UTF-8: bytes that are not UTF-8 are replaced, not read
    // as a code page (which could never make a control, but hides nothing).
    EXPECT_EQ(terminalTextFromUtf8("a\xc2\x9b\xff\x1b"), "a\\x9b\xef\xbf\xbd\\x1b");
}

TEST(DisplayText, CsvFieldNeverStartsAFormula)
{
    struct Case {
        const char* what;
        std::string_view utf8;
        std::string_view field;
    };
    const Case cases[] = {
        {"plain", "Bob", "Bob"},
        {"formula", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"plus", "+1", "'+1"},
        {"minus", "-1", "'-1"},
        {"at", "@SUM(A1)", "'@SUM(A1)"},
        {"comma quoted", "a,b", "\"a,b\""},
        {"line break shown, not split", "a\r\nb", "a\\x0d\\x0ab"},
        {"tab then formula is a space first", "\t=1", " =1"},
        {"formula sign later", "a=1", "a=1"},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(csvField(c.utf8), c.field) << c.what;
}

// The isolate opener and closer, as UTF-8.
const std::string Fsi = "\xe2\x81\xa8";
const std::string Pdi = "\xe2\x81\xa9";

TEST(DisplayText, IsolatedDisplayTextKeepsEveryRunInsideItsIsolate)
{
    const std::string rlo = "\xe2\x80\xae";
    const std::string lri = "\xe2\x81\xa6";
    struct Case {
        const char* what;
        std::string logBytes;
        std::string shown;
    };
    const Case cases[] = {
        {"plain", "Bob", Fsi + "Bob" + Pdi},
        {"override is closed by the isolate", rlo + "dlrow", Fsi + rlo + "dlrow" + Pdi},
        {"unpaired closer cannot end the isolate early", Pdi + rlo + "x", Fsi + rlo + "x" + Pdi},
        {"unclosed isolate is closed", lri + "x", Fsi + lri + "x" + Pdi + Pdi},
        {"paired isolate kept", lri + "x" + Pdi + "y", Fsi + lri + "x" + Pdi + "y" + Pdi},
        {"right-to-left name", "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d", Fsi + "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d" + Pdi},
        {"controls replaced", "a\x1b[2J\x7f\xc2\x9b\tb", Fsi + "a\xef\xbf\xbd[2J\xef\xbf\xbd\xef\xbf\xbd b" + Pdi},
        {"name of bidi controls only is shown", rlo + Pdi, Fsi + "\\u{202E}\\u{2069}" + Pdi},
        {"code page text decoded", "Andr\xe9", Fsi + "Andr\xc3\xa9" + Pdi},
        {"empty", "", Fsi + Pdi},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isolatedDisplayText(c.logBytes), c.shown) << c.what;
}

TEST(DisplayText, ActingCharacters)
{
    for (char32_t code : {0x00, 0x1b, 0x1f, 0x7f, 0x80, 0x9b, 0x9f, 0x200e, 0x200f, 0x202a, 0x202e, 0x2066, 0x2069,
                          0x061c})
        EXPECT_TRUE(isActingCharacter(code)) << std::hex << static_cast<unsigned>(code);
    for (char32_t code : {0x20, 0x7e, 0xa0, 0x200d, 0x2029, 0x206a, 0x061b, 0xfffd})
        EXPECT_FALSE(isActingCharacter(code)) << std::hex << static_cast<unsigned>(code);
}

} // namespace
} // namespace zelkam
