#include <gtest/gtest.h>

#include <string>

#include "investigate/address_names.h"
#include "parse/recognizer.h"

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

} // namespace
} // namespace zelkam
