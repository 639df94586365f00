#include <gtest/gtest.h>

#include "watch/rules.h"

namespace zelkam::watch {
namespace {

std::string withRule(const std::string& rule)
{
    return "{\"actions\": {\"screen\": {\"print\": true}},\n \"rules\": [\n" + rule + "\n]}";
}

TEST(Rules, ReadsEachKindOfRuleAndAction)
{
    const std::string text = R"({
  "addresses": "pseudonymised",
  "actions": {
    "screen": {"print": true},
    "admins": {"webhook": "hook-url", "timeoutSeconds": 5},
    "pager": {"command": ["/usr/local/bin/page", "--now"]}
  },
  "rules": [
    {"name": "words", "kind": "chat", "words": ["hack", "wall"], "chat": "team", "to": ["screen"]},
    {"name": "admin", "kind": "rcon", "servers": ["main"], "to": ["admins", "pager"], "everySeconds": 300},
    {"name": "guess", "kind": "failedRcon", "count": 5, "minutes": 10, "to": ["admins"]},
    {"name": "flag", "kind": "join", "ids": ["STEAM_0:1:5"], "words": ["cheat"], "to": ["admins"]},
    {"name": "quiet", "kind": "silent", "minutes": 15, "to": ["admins"]},
    {"name": "maps", "kind": "map", "to": ["screen"]},
    {"name": "full", "kind": "players", "atLeast": 20, "to": ["screen"]}
  ]
})";
    Rules rules;
    std::string error;
    ASSERT_TRUE(parseRules(text, rules, error)) << error;
    ASSERT_EQ(rules.rules.size(), 7u);
    EXPECT_EQ(rules.addresses, AddressForm::Pseudonymised);
    EXPECT_EQ(rules.actions["admins"].kind, ActionKind::WebHook);
    EXPECT_EQ(rules.actions["admins"].urlFile, "hook-url");
    EXPECT_EQ(rules.actions["pager"].argv, (std::vector<std::string>{"/usr/local/bin/page", "--now"}));
    EXPECT_EQ(rules.rules[0].chat, ChatScope::Team);
    EXPECT_EQ(rules.rules[1].servers, std::vector<std::string>{"main"});
    EXPECT_EQ(rules.rules[1].everySeconds, 300);
    EXPECT_EQ(rules.rules[2].count, 5);
    EXPECT_EQ(rules.rules[3].ids, std::vector<std::string>{"STEAM_0:1:5"});
    EXPECT_EQ(rules.rules[6].atLeast, 20);
}

// Each mistake is refused with the line (and column) of the value at fault
// and why, before anything is watched.
TEST(Rules, RefusesAWrongRuleWithItsLineAndWhy)
{
    struct Case {
        const char* name;
        std::string text;
        const char* where;
        const char* why;
    };
    const std::vector<Case> cases = {
        {"not JSON", withRule(R"({"name": "a", "kind": "map", "to": ["screen"],})"), "line 3", "not JSON"},
        {"unknown kind", withRule(R"({"name": "a", "kind": "mapz", "to": ["screen"]})"), "line 3", "\"kind\" is one of"},
        {"key of another kind", withRule(R"({"name": "a", "kind": "map",
  "words": ["x"], "to": ["screen"]})"), "line 4", "means nothing to a map rule"},
        {"no words", withRule(R"({"name": "a", "kind": "chat", "to": ["screen"]})"), "line 3", "needs \"words\""},
        {"empty word", withRule(R"({"name": "a", "kind": "chat", "words": ["ok",
  ""], "to": ["screen"]})"), "line 4", "not empty"},
        {"undefined action", withRule(R"({"name": "a", "kind": "map", "to": ["nobody"]})"), "line 3", "no action is named"},
        {"no action", withRule(R"({"name": "a", "kind": "map"})"), "line 3", "needs \"to\""},
        {"count below one", withRule(R"({"name": "a", "kind": "failedRcon", "count": 0, "minutes": 5, "to": ["screen"]})"), "line 3", "at least 1"},
        {"minutes missing", withRule(R"({"name": "a", "kind": "silent", "to": ["screen"]})"), "line 3", "needs \"minutes\""},
        {"two of a name", withRule(R"({"name": "a", "kind": "map", "to": ["screen"]},
{"name": "a", "kind": "map", "to": ["screen"]})"), "line 4", "two rules are named"},
        {"address in the file", "{\"actions\": {\"h\":\n {\"webhook\": \"https://example.org/x\"}}, \"rules\": []}", "line 2",
         "not the address"},
        {"relative command", "{\"actions\": {\"c\":\n {\"command\": [\"page\"]}}, \"rules\": []}", "line 2", "full path"},
        {"typo at the top", "{\"actions\": {},\n \"rulez\": []}", "line 2", "unknown key"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rules rules;
        std::string error;
        EXPECT_FALSE(parseRules(c.text, rules, error));
        EXPECT_EQ(error.rfind(c.where, 0), 0u) << error;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
    }
}

} // namespace
} // namespace zelkam::watch
