#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "investigate/address_names.h"
#include "parse/recognizer.h"
#include "state/chat_lines.h"

namespace zelkam {
namespace {

// An address typed in a command or a chat message shows, with pseudonyms
// on, as the pseudonym of its network, the one its connection shows; a
// dotted number that is no address, and any text with pseudonyms off, stay
// as typed.
TEST(AddressNames, AddressesTypedInTextBecomeTheirPseudonyms)
{
    AddressNames hidden;
    hidden.usePseudonymKey({7, 1, 2});
    const std::string a = hidden.textOf(parseAddress("1.2.3.4"));
    const std::string b = hidden.textOf(parseAddress("198.51.100.23"));
    struct Case {
        std::string typed;
        std::string shown;
    };
    const Case cases[] = {
        {"addip 60 1.2.3.4", "addip 60 " + a},
        {"removeip 1.2.3.9:27005", "removeip " + a},
        {"amx_banip \"1.2.3.4\" 60;writeip", "amx_banip \"" + a + "\" 60;writeip"},
        {"join 198.51.100.23:27015, or 1.2.3.4.", "join " + b + ", or " + a + "."},
        {"ip1.2.3.4", "ip" + a},
        {"1.2.3.4 first", a + " first"},
        // Not addresses: too few or too many groups, a group over 255, part
        // of a longer number.
        {"version 1.1.2", "version 1.1.2"},
        {"1.2.3.4.5", "1.2.3.4.5"},
        {"256.1.1.1", "256.1.1.1"},
        {"11.2.3.4000", "11.2.3.4000"},
        {"9.1.2.3.4", "9.1.2.3.4"},
        {"", ""},
    };
    AddressNames shown;
    for (const Case& c : cases) {
        EXPECT_EQ(hidden.textWithin(c.typed), c.shown) << c.typed;
        EXPECT_EQ(shown.textWithin(c.typed), c.typed) << c.typed;
    }
    // A typed 0.0.0.x has a network too: hidden, not dropped.
    EXPECT_EQ(hidden.textWithin("addip 0 0.0.0.1").rfind("addip 0 addr-", 0), 0u);
}

ChatLine chatLine(const std::string& text, std::initializer_list<TextSpan> pieces)
{
    ChatLine line;
    line.time = 42;
    line.style = LineStyle::CounterTerrorist;
    std::memcpy(line.text, text.data(), std::min(text.size(), sizeof line.text - 1));
    std::size_t i = 0;
    for (const TextSpan& piece : pieces)
        line.logPieces[i++] = piece;
    return line;
}

// The chat view's line hides what a player typed, and only that: the fixed
// words stay, each piece keeps its place around the longer pseudonym, and a
// line the pseudonyms make too long is cut at its buffer with its pieces
// inside it.
TEST(AddressNames, ChatLinesHideTypedAddressesInTheirPieces)
{
    AddressNames hidden;
    hidden.usePseudonymKey({7, 1, 2});
    const std::string a = hidden.textOf(parseAddress("1.2.3.4"));
    const std::string said = "1.2.3.4 says: join 1.2.3.4:27015";
    // The name is "1.2.3.4", the message "join 1.2.3.4:27015".
    const ChatLine line = chatLine(said, {TextSpan{0, 7}, TextSpan{14, 18}});

    const ChatLine asLogged = chatLineShownAs(line, AddressNames());
    EXPECT_STREQ(asLogged.text, said.c_str());

    const ChatLine shown = chatLineShownAs(line, hidden);
    const std::string expected = a + " says: join " + a;
    EXPECT_EQ(std::string(shown.text), expected);
    EXPECT_EQ(std::pair(shown.time, shown.style), std::pair(line.time, line.style));
    EXPECT_EQ(std::string(shown.text + shown.logPieces[0].start, shown.logPieces[0].length), a);
    EXPECT_EQ(std::string(shown.text + shown.logPieces[1].start, shown.logPieces[1].length), "join " + a);

    const std::string message = std::string(230, 'x') + " 1.2.3.4 1.2.3.4";
    const ChatLine full = chatLineShownAs(chatLine("Al: " + message, {TextSpan{0, 2}, TextSpan{4, 246}}), hidden);
    EXPECT_EQ(std::strlen(full.text), sizeof full.text - 1);
    EXPECT_EQ(std::string(full.text).find("1.2.3"), std::string::npos);
    EXPECT_EQ(full.logPieces[1].start + full.logPieces[1].length, sizeof full.text - 1);
}

} // namespace
} // namespace zelkam
