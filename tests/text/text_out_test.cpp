#include "text/text_out.h"

#include <gtest/gtest.h>

#include <string>

#include <utf8proc.h>

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

// Characters a font draws as nothing make one name look like another
// ("Admin" and "Admin" with one after it) or a name look like no name. A
// joiner or selector that draws as part of the character before it is left
// alone, so emoji sequences still draw.
TEST(TextOut, TerminalTextShowsWhatDrawsAsNothing)
{
    struct Case {
        const char* what;
        std::string_view logBytes;
        std::string_view shown;
    };
    const Case cases[] = {
        {"unassigned U+2065 after a name", "Admin\xe2\x81\xa5", "Admin\\u{2065}"},
        {"unassigned U+E0080", "\xf3\xa0\x82\x80", "\\u{E0080}"},
        {"unassigned U+FFF0 and U+E0FFF", "\xef\xbf\xb0\xf3\xa0\xbf\xbf", "\\u{FFF0}\\u{E0FFF}"},
        {"Hangul fillers", "\xe3\x85\xa4\xef\xbe\xa0\xe1\x85\x9f\xe1\x85\xa0",
         "\\u{3164}\\u{FFA0}\\u{115F}\\u{1160}"},
        {"Khmer inherent vowels", "\xe1\x9e\xb4\xe1\x9e\xb5", "\\u{17B4}\\u{17B5}"},
        {"combining grapheme joiner", "a\xcd\x8f", "a\\u{034F}"},
        {"emoji selector after a letter", "Admin\xef\xb8\x8f", "Admin\\u{FE0F}"},
        {"emoji selector alone", "\xef\xb8\x8f", "\\u{FE0F}"},
        {"emoji selector on a digit without a keycap", "1\xef\xb8\x8f", "1\\u{FE0F}"},
        {"second selector on one emoji", "\xe2\x9d\xa4\xef\xb8\x8f\xef\xb8\x8f", "\xe2\x9d\xa4\xef\xb8\x8f\\u{FE0F}"},
        {"joiner after a letter", "a\xe2\x80\x8d" "b", "a\\u{200D}b"},
        {"joiner after an escaped selector", "a\xef\xb8\x8f\xe2\x80\x8d\xf0\x9f\x98\x80",
         "a\\u{FE0F}\\u{200D}\xf0\x9f\x98\x80"},
        {"two joiners", "\xf0\x9f\x98\x80\xe2\x80\x8d\xe2\x80\x8d", "\xf0\x9f\x98\x80\xe2\x80\x8d\\u{200D}"},
        {"ideographic selector after a letter", "A\xf3\xa0\x84\x80", "A\\u{E0100}"},
        {"red heart", "\xe2\x9d\xa4\xef\xb8\x8f", "\xe2\x9d\xa4\xef\xb8\x8f"},
        {"family", "\xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa9\xe2\x80\x8d\xf0\x9f\x91\xa7",
         "\xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa9\xe2\x80\x8d\xf0\x9f\x91\xa7"},
        {"rainbow flag", "\xf0\x9f\x8f\xb3\xef\xb8\x8f\xe2\x80\x8d\xf0\x9f\x8c\x88",
         "\xf0\x9f\x8f\xb3\xef\xb8\x8f\xe2\x80\x8d\xf0\x9f\x8c\x88"},
        {"skin tone then joiner", "\xf0\x9f\x91\xa9\xf0\x9f\x8f\xbd\xe2\x80\x8d\xf0\x9f\x92\xbb",
         "\xf0\x9f\x91\xa9\xf0\x9f\x8f\xbd\xe2\x80\x8d\xf0\x9f\x92\xbb"},
        {"keycap", "#\xef\xb8\x8f\xe2\x83\xa3", "#\xef\xb8\x8f\xe2\x83\xa3"},
        {"text style on an emoji", "\xe2\x98\x80\xef\xb8\x8e", "\xe2\x98\x80\xef\xb8\x8e"},
        {"Devanagari half form", "\xe0\xa4\x95\xe0\xa5\x8d\xe2\x80\x8d\xe0\xa4\xb7",
         "\xe0\xa4\x95\xe0\xa5\x8d\xe2\x80\x8d\xe0\xa4\xb7"},
        {"ideographic variant", "\xe8\x91\x9b\xf3\xa0\x84\x80", "\xe8\x91\x9b\xf3\xa0\x84\x80"},
        {"Mongolian variant", "\xe1\xa0\xa0\xe1\xa0\x8b", "\xe1\xa0\xa0\xe1\xa0\x8b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(terminalText(c.logBytes), c.shown) << c.what;
    // JSON follows the same rule.
    EXPECT_EQ(safeJson("[\"a\xef\xb8\x8f\xe2\x81\xa5\xe3\x85\xa4\"]"), R"(["a\ufe0f\u2065\u3164"])");
    EXPECT_EQ(safeJson("[\"\xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa9\"]"),
              "[\"\xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa9\"]");
}

// Every default-ignorable code point Unicode has assigned is an acting
// character; the table holds the unassigned ones too.
TEST(TextOut, EveryDefaultIgnorableCharacterActs)
{
    for (char32_t code = 0; code <= 0x10FFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF)
            continue;
        if (utf8proc_get_property(static_cast<utf8proc_int32_t>(code))->ignorable) {
            EXPECT_TRUE(isActingCharacter(code)) << std::hex << static_cast<unsigned>(code);
        }
    }
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

TEST(TextOut, HtmlTextHoldsNoMarkupAndShowsWhatActs)
{
    struct Case {
        const char* what;
        std::string_view logBytes;
        std::string_view html;
    };
    const Case cases[] = {
        {"plain", "Bob", "Bob"},
        {"a script element", "<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"the end of the title", "</title><h1>", "&lt;/title&gt;&lt;h1&gt;"},
        {"out of an attribute", "\"onload=x '", "&quot;onload=x &#39;"},
        {"a reference that would decode", "&lt;b&gt;", "&amp;lt;b&amp;gt;"},
        {"bidi override", "\xe2\x80\xae" "evil", "\\u{202E}evil"},
        {"zero width and a control", "A\xe2\x80\x8b" "d\x1bm", "A\\u{200B}d\\x1bm"},
        {"Windows-1252 byte", "Ren\xe9", "Ren\xc3\xa9"},
        {"tab", "a\tb", "a b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(htmlText(c.logBytes), c.html) << c.what;
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

TEST(TextOut, ActingCharactersAreTheControlFormatSeparatorAndIgnorableOnes)
{
    for (char32_t code : {0x00, 0x1b, 0x1f, 0x7f, 0x80, 0x9b, 0x9f, 0xad, 0x061c, 0x200b, 0x200d, 0x200e, 0x200f,
                          0x2028, 0x2029, 0x202a, 0x202e, 0x2060, 0x2066, 0x2069, 0x206a, 0x206f, 0xfeff, 0xfff9,
                          0xfffb, 0xe0000, 0xe0001, 0xe0041, 0xe007f, 0x034f, 0x115f, 0x1160, 0x17b4, 0x17b5,
                          0x180b, 0x180f, 0x2065, 0x3164, 0xfe00, 0xfe0f, 0xffa0, 0xfff0, 0xfff8, 0x1bca0,
                          0x1d17a, 0xe0080, 0xe0100, 0xe01ef, 0xe0fff})
        EXPECT_TRUE(isActingCharacter(code)) << std::hex << static_cast<unsigned>(code);
    for (char32_t code : {0x20, 0x7e, 0xa0, 0x061b, 0x1161, 0x2027, 0x20e3, 0x3165, 0xfe10, 0xfffd, 0x1f3fb, 0x1f600,
                          0xe1000})
        EXPECT_FALSE(isActingCharacter(code)) << std::hex << static_cast<unsigned>(code);
}

} // namespace
} // namespace zelkam
