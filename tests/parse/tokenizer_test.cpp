#include "parse/tokenizer.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zelkam {
namespace {

std::vector<std::string> tokensOf(std::string_view rest)
{
    TokenTable table;
    tokenizeLine(rest, table);
    std::vector<std::string> tokens;
    for (int i = 0; i < table.count(); ++i)
        tokens.emplace_back(table.token(i));
    return tokens;
}

using Tokens = std::vector<std::string>;

TEST(Tokenizer, SplitsQuotedTokensAndTheRunsBetweenThem)
{
    struct Case {
        const char* name;
        std::string rest;
        Tokens expected;
    };
    const Case cases[] = {
        {"empty rest", "", {}},
        {"say line", R"("Bob<12><345678><CT>" say "hello there")", {"Bob<12><345678><CT>", "say", "hello there"}},
        {"a run holds spaces and commas", R"("Bob<1><2><>" connected, address "10.1.2.3:27005")",
         {"Bob<1><2><>", "connected, address", "10.1.2.3:27005"}},
        {"no quotes at all is one run", "Server shutdown now", {"Server shutdown now"}},
        {"team win with scores at 5 and 7", R"(Team "CT" triggered "CTs_Win" (CT "3") (T "12"))",
         {"Team", "CT", "triggered", "CTs_Win", "(CT", "3", ") (T", "12", ")"}},
        {"round start", R"(World triggered "Round_Start")", {"World triggered", "Round_Start"}},
        {"inner quotation stays in the message", R"("Bob<1><2><CT>" say "he said "go" now")",
         {"Bob<1><2><CT>", "say", R"(he said "go" now)"}},
        {"remote-console text keeps its inner quotes",
         R"(Rcon: "rcon 11 "pw" sv_contact "x"" from "10.0.2.2:60829")",
         {"Rcon:", R"(rcon 11 "pw" sv_contact "x")", "from", "10.0.2.2:60829"}},
        {"an inner quote never closed takes the rest of the line, last quote included",
         R"("Bob<1><2><CT>" say "look "here now")", {"Bob<1><2><CT>", "say", R"(look "here now")"}},
        {"unbalanced remote-console text swallows the sender",
         R"(Rcon: "rcon 11 pw say "hi" from "10.0.2.2:1")", {"Rcon:", R"(rcon 11 pw say "hi" from "10.0.2.2:1")"}},
        {"a quote at the very end preceded by a space closes", R"("a ")", {"a "}},
        {"only one space is skipped after a token", R"("a"  "b")", {"a", "", "b"}},
        {"only one trailing space is left out of a run", R"(x  "b")", {"x ", "b"}},
        {"an opening quote at the end", "say \"", {"say", ""}},
        {"a lone quote", "\"", {""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tokensOf(c.rest), c.expected) << c.name;
}

TEST(Tokenizer, StopsAtSixteenTokens)
{
    std::string rest;
    for (int i = 0; i < 20; ++i)
        rest += "\"" + std::to_string(i) + "\" ";
    TokenTable table;
    tokenizeLine(rest, table);
    EXPECT_EQ(table.count(), TokenTable::Capacity);
    EXPECT_EQ(table.token(15), "15");
    EXPECT_EQ(table.token(table.count()), "") << "a missing token reads as empty";
    EXPECT_EQ(table.token(-1), "");
}

TEST(Tokenizer, CutsTokensTo255Characters)
{
    const std::string longWord(300, 'w');
    TokenTable table;
    tokenizeLine("\"" + longWord + "\"", table);
    ASSERT_EQ(table.count(), 1);
    EXPECT_EQ(table.token(0).size(), TokenTable::MaxTokenLength);
}

TEST(Tokenizer, NeverReadsPastTheEndOfAnyPrefix)
{
    // Every truncation of a tricky line must tokenise without reading beyond
    // its end (the sanitizers watch this test).
    const std::string line = R"(Rcon: "rcon 1 "a b" say "x " y"" from "1.2.3.4:5" "" " ")";
    for (std::size_t n = 0; n <= line.size(); ++n) {
        const std::string prefix = line.substr(0, n);
        TokenTable table;
        tokenizeLine(prefix, table);
        for (int i = 0; i < table.count(); ++i) {
            const std::string_view token = table.token(i);
            EXPECT_GE(token.data(), prefix.data());
            EXPECT_LE(token.data() + token.size(), prefix.data() + prefix.size());
        }
    }
}

} // namespace
} // namespace zelkam

namespace zelkam {
namespace {

// The quote rule stated one character at a time, as a check on the
// tokenizer, which jumps from quote to quote.
std::vector<std::string> referenceTokens(std::string_view rest)
{
    std::vector<std::string> tokens;
    const std::size_t n = rest.size();
    std::size_t p = 0;
    while (p < n && tokens.size() < static_cast<std::size_t>(TokenTable::Capacity)) {
        if (rest[p] == '"') {
            std::size_t cursor = p;
            int depth = 1;
            while (depth > 0) {
                ++cursor;
                if (cursor >= n) {
                    tokens.emplace_back(rest.substr(p + 1));
                    return tokens;
                }
                if (rest[cursor] == ' ' && cursor + 1 < n && rest[cursor + 1] == '"') {
                    depth += cursor + 2 == n ? -1 : 1;
                    ++cursor;
                } else if (rest[cursor] == '"') {
                    --depth;
                }
            }
            tokens.emplace_back(rest.substr(p + 1, cursor - p - 1));
            p = cursor + 1;
        } else {
            std::size_t end = rest.find('"', p);
            std::string word(rest.substr(p, (end == std::string_view::npos ? n : end) - p));
            if (!word.empty() && word.back() == ' ')
                word.pop_back();
            tokens.push_back(word);
            p += word.size();
        }
        if (p < n && rest[p] == ' ')
            ++p;
    }
    return tokens;
}

TEST(Tokenizer, AgreesWithTheQuoteRuleOnEveryShortText)
{
    // Every text of up to eight characters over quote, space and a letter.
    const char alphabet[] = {'"', ' ', 'a'};
    for (std::size_t length = 0; length <= 8; ++length) {
        std::size_t combinations = 1;
        for (std::size_t i = 0; i < length; ++i)
            combinations *= 3;
        for (std::size_t code = 0; code < combinations; ++code) {
            std::string text;
            for (std::size_t i = 0, c = code; i < length; ++i, c /= 3)
                text += alphabet[c % 3];
            ASSERT_EQ(tokensOf(text), referenceTokens(text)) << "[" << text << "]";
        }
    }
}

} // namespace
} // namespace zelkam
