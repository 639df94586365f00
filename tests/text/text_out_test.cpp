#include "text/text_out.h"

#include <gtest/gtest.h>

#include <string>

namespace zelkam {
namespace {

// Names, chat and remote-console texts come from strangers; these are the
// characters they would use to act on a terminal or a text layout, or to
// hide what they wrote.
TEST(TextOut, TerminalTextShowsEveryActingCharacter)
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
        {"line and paragraph separators", "a\xe2\x80\xa8" "b\xe2\x80\xa9", "a\\u{2028}b\\u{2029}"},
        {"zero-width space, non-joiner, joiner", "\xe2\x80\x8b\xe2\x80\x8c\xe2\x80\x8d",
         "\\u{200B}\\u{200C}\\u{200D}"},
        {"word joiner and byte order mark", "\xe2\x81\xa0\xef\xbb\xbf", "\\u{2060}\\u{FEFF}"},
        {"deprecated format characters", "\xe2\x81\xaa\xe2\x81\xaf", "\\u{206A}\\u{206F}"},
        {"interlinear annotation", "\xef\xbf\xb9\xef\xbf\xba\xef\xbf\xbb", "\\u{FFF9}\\u{FFFA}\\u{FFFB}"},
        {"tag characters, unassigned ones too", "\xf3\xa0\x80\x80\xf3\xa0\x81\x81\xf3\xa0\x81\xbf",
         "\\u{E0000}\\u{E0041}\\u{E007F}"},
        {"soft hyphen", "a\xc2\xad" "b", "a\\u{00AD}b"},
        {"letters of other scripts stay", "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d \xc3\xa9", "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d \xc3\xa9"},
        {"emoji and a non-breaking space stay", "\xf0\x9f\x98\x80\xc2\xa0", "\xf0\x9f\x98\x80\xc2\xa0"},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(terminalText(c.logBytes), c.shown) << c.what;
    EXPECT_EQ(terminalText(static_cast<const char*>(nullptr)), "");
    // Text already in UTF-8: bytes that are not UTF-8 are replaced, not read
    // as a code page (which could never make a control, but hides nothing).
    EXPECT_EQ(terminalTextFromUtf8("a\xc2\x9b\xff\x1b"), "a\\x9b\xef\xbf\xbd\\x1b");
}

TEST(TextOut, SafeJsonEscapesWhatTheSerializerLeavesRaw)
{
    struct Case {
        const char* what;
        std::string_view json;
        std::string_view safe;
    };
    const Case cases[] = {
        {"plain", R"({"name":"Bob","n":1})", R"({"name":"Bob","n":1})"},
        {"serializer's escapes kept", R"({"t":"a\u001b\"\\"})", R"({"t":"a\u001b\"\\"})"},
        {"DEL", "[\"a\x7f\"]", R"(["a\u007f"])"},
        {"C1 control", "[\"\xc2\x9b" "2J\"]", R"(["\u009b2J"])"},
        {"right-to-left override", "[\"\xe2\x80\xae" "x\"]", R"(["\u202ex"])"},
        {"separators and zero-width", "[\"\xe2\x80\xa8\xe2\x80\x8b\xef\xbb\xbf\"]", R"(["\u2028\u200b\ufeff"])"},
        {"tag character as a surrogate pair", "[\"\xf3\xa0\x81\x81\"]", R"(["\udb40\udc41"])"},
        {"letters and emoji stay", "[\"\xc3\xa9\xf0\x9f\x98\x80\"]", "[\"\xc3\xa9\xf0\x9f\x98\x80\"]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(safeJson(c.json), c.safe) << c.what;
}

TEST(TextOut, SpreadsheetCellsNeverStartAFormula)
{
    struct Case {
        const char* what;
        std::string_view utf8;
        std::string_view cell;
        std::string_view field;
    };
    const Case cases[] = {
        {"plain", "Bob", "Bob", "Bob"},
        {"formula", "=HYPERLINK(\"x\")", "'=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"plus", "+Plus", "'+Plus", "'+Plus"},
        {"minus", "-1", "'-1", "'-1"},
        {"at", "@SUM(A1)", "'@SUM(A1)", "'@SUM(A1)"},
        {"leading blank", " =1+1", "' =1+1", "' =1+1"},
        {"leading tab, shown as a blank", "\t =1", "'  =1", "'  =1"},
        {"each piece of a joined cell", "first;=2+2", "first;'=2+2", "first;'=2+2"},
        {"piece after a blank", "a; +1;b;@x", "a;' +1;b;'@x", "a;' +1;b;'@x"},
        {"escape cannot hide a sign", "\xe2\x80\x8b=1", "\\u{200B}=1", "\\u{200B}=1"},
        {"comma quoted", "a,b", "a,b", "\"a,b\""},
        {"line break shown, not split", "a\r\nb", "a\\x0d\\x0ab", "a\\x0d\\x0ab"},
        {"formula sign later", "a=1", "a=1", "a=1"},
        {"empty pieces", ";;", ";;", ";;"},
        {"empty", "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(spreadsheetCell(c.utf8), c.cell) << c.what;
        EXPECT_EQ(csvField(c.utf8), c.field) << c.what;
    }
}

TEST(TextOut, ActingCharactersAreTheControlFormatAndSeparatorCategories)
{
    for (char32_t code : {0x00, 0x1b, 0x1f, 0x7f, 0x80, 0x9b, 0x9f, 0xad, 0x061c, 0x200b, 0x200d, 0x200e, 0x200f,
                          0x2028, 0x2029, 0x202a, 0x202e, 0x2060, 0x2066, 0x2069, 0x206a, 0x206f, 0xfeff, 0xfff9,
                          0xfffb, 0xe0000, 0xe0001, 0xe0041, 0xe007f})
        EXPECT_TRUE(isActingCharacter(code)) << std::hex << static_cast<unsigned>(code);
    for (char32_t code : {0x20, 0x7e, 0xa0, 0x061b, 0x2027, 0xfffd, 0xfe0f, 0x1f600, 0xe0080})
        EXPECT_FALSE(isActingCharacter(code)) << std::hex << static_cast<unsigned>(code);
}

} // namespace
} // namespace zelkam
