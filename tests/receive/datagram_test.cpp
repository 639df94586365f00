#include "receive/datagram.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zelkam::receive {
namespace {

using namespace std::string_literals;

const std::string Stamped = "L 01/02/2003 - 04:05:06: \"Bob<2><STEAM_0:1:2><CT>\" say \"hi\"";
const SourceAddress Local = SourceAddress::v4({127, 0, 0, 1}, 27015);

std::string framed(std::string_view mark, std::string_view rest) { return "\xFF\xFF\xFF\xFF"s.append(mark).append(rest); }

ReceivePolicy openPolicy()
{
    ReceivePolicy policy;
    policy.allowAny = true;
    return policy;
}

ReceivePolicy secretPolicy()
{
    ReceivePolicy policy;
    policy.secret = "s3cret";
    return policy;
}

AllowedNetwork network(std::string_view text)
{
    AllowedNetwork made;
    EXPECT_TRUE(parseAllowedNetwork(text, made)) << text;
    return made;
}

struct Case {
    const char* what;
    ReceivePolicy policy;
    SourceAddress source;
    std::string datagram;
    std::optional<DropReason> reason; // nothing: taken
    std::string line;                 // the line taken
};

TEST(Datagram, TakesTheLogFramingsAndRefusesEverythingElse)
{
    ReceivePolicy allowTen = secretPolicy();
    allowTen.allowed = {network("10.0.0.0/8")};
    const SourceAddress ten = SourceAddress::v4({10, 1, 2, 3}, 27015);
    const SourceAddress eleven = SourceAddress::v4({11, 0, 0, 1}, 27015);
    std::string longest = framed("R", Stamped);
    longest.resize(MaxDatagramBytes, 'x');
    std::string tooLong = longest + "x";
    using enum DropReason;
    const Case cases[] = {
        {"older engines' framing", openPolicy(), Local, framed("log ", Stamped + "\n"), {}, Stamped},
        {"newer engines' framing", openPolicy(), Local, framed("R", Stamped + "\n"), {}, Stamped},
        {"trailing line feed and NUL", openPolicy(), Local, framed("R", Stamped + "\n\0"s), {}, Stamped},
        {"trailing NUL alone", openPolicy(), Local, framed("R", Stamped + "\0"s), {}, Stamped},
        {"no line end", openPolicy(), Local, framed("R", Stamped), {}, Stamped},
        {"carriage return kept", openPolicy(), Local, framed("R", Stamped + "\r\n"), {}, Stamped + "\r"},
        {"inner NUL kept", openPolicy(), Local, framed("R", Stamped + "\0x\n"s), {}, Stamped + "\0x"s},
        {"largest datagram", openPolicy(), Local, longest, {}, longest.substr(5)},
        {"larger than any datagram", openPolicy(), Local, tooLong, OverLong, ""},
        {"empty", openPolicy(), Local, "", NotLogDatagram, ""},
        {"three 0xFF", openPolicy(), Local, "\xFF\xFF\xFF" + Stamped, NotLogDatagram, ""},
        {"no framing", openPolicy(), Local, Stamped, NotLogDatagram, ""},
        {"server query", openPolicy(), Local, framed("TSource Engine Query", "\0"s), NotLogDatagram, ""},
        {"a second line inside", openPolicy(), Local, framed("R", Stamped + "\n" + Stamped + "\n"), NotLogDatagram, ""},
        {"framing alone", openPolicy(), Local, framed("R", ""), NoTimeStamp, ""},
        {"stamp one short", openPolicy(), Local, framed("R", "L 01/02/2003 - 04:05:06:"), NoTimeStamp, ""},
        {"stamp with rest empty", openPolicy(), Local, framed("R", "L 01/02/2003 - 04:05:06: "), {},
         "L 01/02/2003 - 04:05:06: "},
        {"month 13", openPolicy(), Local, framed("R", "L 13/02/2003 - 04:05:06: x"), NoTimeStamp, ""},
        {"February 30th", openPolicy(), Local, framed("R", "L 02/30/2003 - 04:05:06: x"), NoTimeStamp, ""},
        {"February 29th of a common year", openPolicy(), Local, framed("R", "L 02/29/2003 - 04:05:06: x"),
         NoTimeStamp, ""},
        {"February 29th of a leap year", openPolicy(), Local, framed("R", "L 02/29/2004 - 04:05:06: x"), {},
         "L 02/29/2004 - 04:05:06: x"},
        {"hour 24", openPolicy(), Local, framed("R", "L 01/02/2003 - 24:00:00: x"), NoTimeStamp, ""},
        {"a letter for a digit", openPolicy(), Local, framed("R", "L 01/0x/2003 - 04:05:06: x"), NoTimeStamp, ""},
        {"a secret where none is asked", openPolicy(), Local, framed("Ss3cret", Stamped), WrongSecret, ""},
        {"the right secret", secretPolicy(), Local, framed("Ss3cret", Stamped + "\n"), {}, Stamped},
        {"a wrong secret", secretPolicy(), Local, framed("Ss3creX", Stamped), WrongSecret, ""},
        {"a longer secret", secretPolicy(), Local, framed("Ss3cretX", Stamped), WrongSecret, ""},
        {"a shorter secret", secretPolicy(), Local, framed("Ss3cre", Stamped), WrongSecret, ""},
        {"no secret", secretPolicy(), Local, framed("S", Stamped), WrongSecret, ""},
        {"no secret with the newer framing", secretPolicy(), Local, framed("R", Stamped), WrongSecret, ""},
        {"no secret with the older framing", secretPolicy(), Local, framed("log ", Stamped), WrongSecret, ""},
        {"allowed source and secret", allowTen, ten, framed("Ss3cret", Stamped), {}, Stamped},
        {"source outside the network", allowTen, eleven, framed("Ss3cret", Stamped), SourceNotAllowed, ""},
        {"a stranger's garbage", allowTen, eleven, "garbage", SourceNotAllowed, ""},
        {"allowed source, wrong secret", allowTen, ten, framed("Sguess", Stamped), WrongSecret, ""},
    };
    for (const Case& c : cases) {
        std::string_view line = "untouched";
        const std::optional<DropReason> reason = acceptDatagram(c.policy, c.source, c.datagram, line);
        EXPECT_EQ(reason, c.reason) << c.what;
        if (!c.reason) {
            EXPECT_EQ(line, c.line) << c.what;
        }
    }
}

TEST(Datagram, AllowedNetworks)
{
    const auto v6 = [](std::string_view text) {
        AllowedNetwork host = network(text);
        return SourceAddress::v6(host.bytes, 1);
    };
    struct Row {
        const char* network;
        SourceAddress source;
        bool contains;
    };
    const Row rows[] = {
        {"10.0.0.0/8", SourceAddress::v4({10, 255, 0, 1}, 1), true},
        {"10.0.0.0/8", SourceAddress::v4({11, 0, 0, 0}, 1), false},
        {"192.168.1.0/23", SourceAddress::v4({192, 168, 0, 7}, 1), true},
        {"192.168.1.0/23", SourceAddress::v4({192, 168, 2, 7}, 1), false},
        {"203.0.113.5", SourceAddress::v4({203, 0, 113, 5}, 27015), true},
        {"203.0.113.5", SourceAddress::v4({203, 0, 113, 6}, 27015), false},
        {"0.0.0.0/0", SourceAddress::v4({1, 2, 3, 4}, 1), true},
        {"0.0.0.0/0", v6("2001:db8::1"), false},
        {"2001:db8::/32", v6("2001:db8:1::5"), true},
        {"2001:db8::/32", v6("2001:db9::5"), false},
        {"2001:db8::/32", SourceAddress::v4({32, 1, 13, 184}, 1), false},
        {"::ffff:10.0.0.0/104", SourceAddress::v4({10, 9, 9, 9}, 1), true},
        {"10.0.0.0/8", SourceAddress::v6({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 10, 1, 1, 1}, 1), true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(networkContains(network(row.network), row.source), row.contains) << row.network;

    for (const char* bad : {"", "abc", "10.0.0.0/33", "10.0.0.0/", "10.0.0.0/8x", "10.0.0.0/-1", "::/129",
                            "fe80::1%1", "::ffff:10.0.0.0/95", "10.0.0/8"}) {
        AllowedNetwork made;
        EXPECT_FALSE(parseAllowedNetwork(bad, made)) << bad;
    }
}

TEST(Datagram, NetworksThatLetEveryoneIn)
{
    struct Row {
        std::vector<const char*> networks;
        bool everyone;
    };
    const Row rows[] = {
        {{"0.0.0.0/0"}, true},
        {{"::/0"}, true},
        {{"203.0.113.0/24", "1.2.3.4/0"}, true},
        {{"0.0.0.0/1", "128.0.0.0/1"}, true},
        {{"128.0.0.0/2", "0.0.0.0/1", "192.0.0.0/2"}, true},
        {{"::ffff:0.0.0.0/96"}, true},
        {{"::/1", "8000::/1"}, true},
        {{"0.0.0.0/1"}, false},
        {{"0.0.0.0/1", "128.0.0.0/2", "224.0.0.0/3"}, false},
        {{"0.0.0.0/1", "::/1", "8000::/2"}, false},
        {{"203.0.113.20", "10.0.0.0/8"}, false},
        {{}, false},
    };
    for (const Row& row : rows) {
        std::vector<AllowedNetwork> networks;
        std::string shown;
        for (const char* text : row.networks) {
            networks.push_back(network(text));
            shown += std::string(text) + " ";
        }
        EXPECT_EQ(coversEveryAddress(networks), row.everyone) << shown;
    }
}

TEST(Datagram, ADroppedDatagramIsShownWithoutItsSecret)
{
    const std::string NoStamp = "L 01/02/2003 - 04:05: cut";
    struct Row {
        const char* what;
        std::string datagram;
        std::string shown;
    };
    const Row rows[] = {
        {"the right secret", framed("Ss3cret", Stamped), Stamped},
        {"the right secret, no time stamp", framed("Ss3cret", NoStamp), ""},
        {"a longer secret", framed("Ss3cretX", Stamped), Stamped},
        {"a secret and no line", framed("Ss3cret", ""), ""},
        {"the secret inside a line", framed("R", "L 01/02/2003 - 04:05:06: rcon s3cret"),
         "L 01/02/2003 - 04:05:06: rcon [secret]"},
        {"the secret without a framing", "xx s3cret s3cret", "xx [secret] [secret]"},
        {"the newer framing", framed("R", NoStamp), NoStamp},
        {"the older framing", framed("log ", NoStamp), NoStamp},
        {"no framing", "garbage", "garbage"},
        {"cut at the size", framed("R", std::string(300, 'x')), std::string(60, 'x')},
    };
    for (const Row& row : rows) {
        const std::string shown = shownDatagram(secretPolicy(), row.datagram, 60);
        EXPECT_EQ(shown, row.shown.substr(0, 60)) << row.what;
        EXPECT_EQ(shown.find("s3cret"), std::string::npos) << row.what;
    }
}

TEST(Datagram, SecretsCompareWhole)
{
    EXPECT_TRUE(secretsEqual("s3cret", "s3cret"));
    EXPECT_FALSE(secretsEqual("s3cret", "s3cre"));
    EXPECT_FALSE(secretsEqual("s3cret", "s3cret "));
    EXPECT_FALSE(secretsEqual("s3cret", "X3cret"));
    EXPECT_FALSE(secretsEqual("s3cret", ""));
    EXPECT_FALSE(secretsEqual("a\0b"s, "a\0c"s));
}

} // namespace
} // namespace zelkam::receive
