#include "views/display_text.h"

#include <gtest/gtest.h>

#include <string>

namespace zelkam {
namespace {

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
        {"name of zero-width characters only is shown", "\xe2\x80\x8b\xef\xbb\xbf",
         Fsi + "\\u{200B}\\u{FEFF}" + Pdi},
        {"zero-width joiner inside a name stays", "a\xe2\x80\x8d" "b", Fsi + "a\xe2\x80\x8d" "b" + Pdi},
        {"name of Hangul fillers only is shown", "\xe3\x85\xa4\xef\xbe\xa0\xe1\x85\x9f",
         Fsi + "\\u{3164}\\u{FFA0}\\u{115F}" + Pdi},
        {"name of unassigned ignorables only is shown", "\xe2\x81\xa5\xf3\xa0\x82\x80",
         Fsi + "\\u{2065}\\u{E0080}" + Pdi},
        {"name of an emoji selector only is shown", "\xef\xb8\x8f", Fsi + "\\u{FE0F}" + Pdi},
        {"emoji sequence drawn", "\xe2\x9d\xa4\xef\xb8\x8f\xe2\x80\x8d\xf0\x9f\x94\xa5",
         Fsi + "\xe2\x9d\xa4\xef\xb8\x8f\xe2\x80\x8d\xf0\x9f\x94\xa5" + Pdi},
        {"code page text decoded", "Andr\xe9", Fsi + "Andr\xc3\xa9" + Pdi},
        {"empty", "", Fsi + Pdi},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isolatedDisplayText(c.logBytes), c.shown) << c.what;
}

} // namespace
} // namespace zelkam
