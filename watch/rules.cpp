#include "watch/rules.h"

#include <fstream>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

namespace zelkam::watch {
namespace {

using Json = nlohmann::json;

// An iterator over the text that notes how far the parser has read, so a
// callback can tell where in the text it stands.
class CountingIterator {
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CountingIterator() = default;
    CountingIterator(const char* at, std::size_t* reached) : at_(at), reached_(reached) {}
    reference operator*() const { return *at_; }
    CountingIterator& operator++()
    {
        ++at_;
        if (reached_)
            ++*reached_;
        return *this;
    }
    CountingIterator operator++(int)
    {
        CountingIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const CountingIterator& other) const { return at_ == other.at_; }
    bool operator!=(const CountingIterator& other) const { return at_ != other.at_; }

private:
    const char* at_ = nullptr;
    std::size_t* reached_ = nullptr;
};

// Notes where each value of the document ends, by its JSON pointer, and
// where the text stops being JSON. Builds nothing: the document itself is
// read apart, without positions.
class PositionRecorder : public nlohmann::json_sax<Json> {
public:
    explicit PositionRecorder(const std::size_t& reached) : reached_(reached) {}

    std::map<std::string, std::size_t> at;
    std::size_t errorAt = 0;
    std::string errorWhy;

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool string(string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool start_object(std::size_t) override
    {
        value();
        frames_.push_back({false, 0, {}});
        return true;
    }
    bool key(string_t& name) override
    {
        frames_.back().key = name;
        at[pathHere()] = reached_;
        return true;
    }
    bool end_object() override
    {
        frames_.pop_back();
        return true;
    }
    bool start_array(std::size_t) override
    {
        value();
        frames_.push_back({true, 0, {}});
        return true;
    }
    bool end_array() override
    {
        frames_.pop_back();
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) override
    {
        errorAt = position;
        errorWhy = error.what();
        // The library's message starts with its own prefix and position:
        // the reader gets ours instead.
        if (const std::size_t colon = errorWhy.rfind(": "); colon != std::string::npos)
            errorWhy = errorWhy.substr(colon + 2);
        return false;
    }

private:
    struct Frame {
        bool array;
        std::size_t index;
        std::string key;
    };

    std::string pathHere() const
    {
        std::string path;
        for (const Frame& frame : frames_)
            path += "/" + (frame.array ? std::to_string(frame.index - 1) : frame.key);
        return path;
    }
    bool value()
    {
        if (!frames_.empty() && frames_.back().array) {
            ++frames_.back().index;
            at[pathHere()] = reached_;
        }
        return true;
    }

    const std::size_t& reached_;
    std::vector<Frame> frames_;
};

std::string lineAndColumn(std::string_view text, std::size_t offset)
{
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

const std::map<std::string, RuleKind> KindNames = {
    {"chat", RuleKind::Chat},       {"rcon", RuleKind::Rcon},     {"failedRcon", RuleKind::FailedRcon},
    {"join", RuleKind::Join},       {"silent", RuleKind::Silent}, {"map", RuleKind::Map},
    {"players", RuleKind::Players},
};

// The keys each kind of rule takes beyond name, kind, servers, to and
// everySeconds: any other is a mistake worth telling.
const std::map<RuleKind, std::set<std::string>> KindKeys = {
    {RuleKind::Chat, {"words", "chat"}},     {RuleKind::Rcon, {"words"}},
    {RuleKind::FailedRcon, {"count", "minutes"}}, {RuleKind::Join, {"ids", "words"}},
    {RuleKind::Silent, {"minutes"}},         {RuleKind::Map, {}},
    {RuleKind::Players, {"atLeast"}},
};

// Reads the checked document; fails on the first thing wrong, naming the
// JSON pointer of the value at fault.
class Reader {
public:
    explicit Reader(Rules& rules) : rules_(rules) {}

    std::string failedAt;
    std::string why;

    bool read(const Json& document)
    {
        if (!document.is_object())
            return fail("", "the rules file must hold one object with \"actions\" and \"rules\"");
        for (const auto& [key, value] : document.items()) {
            if (key != "actions" && key != "rules" && key != "addresses")
                return fail("/" + key, "unknown key \"" + key + "\" (the file has \"actions\", \"rules\" and \"addresses\")");
        }
        if (document.contains("addresses")) {
            const Json& form = document["addresses"];
            if (form == "shown")
                rules_.addresses = AddressForm::Shown;
            else if (form == "pseudonymised")
                rules_.addresses = AddressForm::Pseudonymised;
            else
                return fail("/addresses", "\"addresses\" is \"shown\" or \"pseudonymised\"");
        }
        if (!document.contains("actions") || !document["actions"].is_object())
            return fail("", "\"actions\" must be an object naming each action");
        for (const auto& [name, value] : document["actions"].items()) {
            if (!readAction("/actions/" + name, value, rules_.actions[name]))
                return false;
        }
        if (!document.contains("rules") || !document["rules"].is_array() || document["rules"].empty())
            return fail("", "\"rules\" must be a list of at least one rule");
        std::set<std::string> names;
        for (std::size_t i = 0; i < document["rules"].size(); ++i) {
            Rule rule;
            const std::string path = "/rules/" + std::to_string(i);
            if (!readRule(path, document["rules"][i], rule))
                return false;
            if (!names.insert(rule.name).second)
                return fail(path + "/name", "two rules are named \"" + rule.name + "\"; a name must say which rule a notice came from");
            rules_.rules.push_back(std::move(rule));
        }
        return true;
    }

private:
    bool fail(std::string path, std::string reason)
    {
        failedAt = std::move(path);
        why = std::move(reason);
        return false;
    }

    bool readStrings(const std::string& path, const Json& value, std::vector<std::string>& out)
    {
        if (!value.is_array())
            return fail(path, "a list of texts is expected");
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (!value[i].is_string() || value[i].get<std::string>().empty())
                return fail(path + "/" + std::to_string(i), "a text that is not empty is expected");
            out.push_back(value[i].get<std::string>());
        }
        return true;
    }

    bool readNumber(const std::string& path, const Json& value, double least, double& out)
    {
        if (!value.is_number() || value.get<double>() < least)
            return fail(path, "a number of at least " + Json(least).dump() + " is expected");
        out = value.get<double>();
        return true;
    }

    bool readAction(const std::string& path, const Json& value, Action& action)
    {
        if (!value.is_object())
            return fail(path, "an action is an object: {\"print\": true}, {\"command\": [...]} or {\"webhook\": FILE}");
        int kinds = 0;
        for (const auto& [key, field] : value.items()) {
            const std::string at = path + "/" + key;
            if (key == "print") {
                if (field != true)
                    return fail(at, "\"print\" is true");
                action.kind = ActionKind::Print;
                ++kinds;
            } else if (key == "command") {
                if (!readStrings(at, field, action.argv))
                    return false;
                if (action.argv.empty() || action.argv[0].front() != '/')
                    return fail(at, "\"command\" lists the program (a full path) and its arguments");
                action.kind = ActionKind::Command;
                ++kinds;
            } else if (key == "webhook") {
                if (!field.is_string() || field.get<std::string>().empty())
                    return fail(at, "\"webhook\" names the file that holds the web hook's address (never the address itself)");
                const std::string file = field.get<std::string>();
                if (file.rfind("http:", 0) == 0 || file.rfind("https:", 0) == 0)
                    return fail(at, "\"webhook\" names the file that holds the web hook's address, not the address: the address is a secret");
                action.urlFile = file;
                action.kind = ActionKind::WebHook;
                ++kinds;
            } else if (key == "timeoutSeconds") {
                if (!readNumber(at, field, 0.1, action.timeoutSeconds))
                    return false;
            } else {
                return fail(at, "unknown key \"" + key + "\" in an action");
            }
        }
        if (kinds != 1)
            return fail(path, "an action is exactly one of \"print\", \"command\" and \"webhook\"");
        return true;
    }

    bool readRule(const std::string& path, const Json& value, Rule& rule)
    {
        if (!value.is_object())
            return fail(path, "a rule is an object with a \"name\" and a \"kind\"");
        if (!value.contains("name") || !value["name"].is_string() || value["name"].get<std::string>().empty())
            return fail(path, "a rule needs a \"name\"");
        rule.name = value["name"].get<std::string>();
        if (!value.contains("kind") || !value["kind"].is_string() || !KindNames.count(value["kind"].get<std::string>()))
            return fail(value.contains("kind") ? path + "/kind" : path,
                        "\"kind\" is one of chat, rcon, failedRcon, join, silent, map, players");
        rule.kind = KindNames.at(value["kind"].get<std::string>());
        const std::set<std::string>& own = KindKeys.at(rule.kind);
        for (const auto& [key, field] : value.items()) {
            const std::string at = path + "/" + key;
            if (key == "name" || key == "kind") {
            } else if (key == "servers") {
                if (!readStrings(at, field, rule.servers))
                    return false;
            } else if (key == "to") {
                if (!readStrings(at, field, rule.to))
                    return false;
                for (std::size_t i = 0; i < rule.to.size(); ++i) {
                    if (!rules_.actions.count(rule.to[i]))
                        return fail(at + "/" + std::to_string(i), "no action is named \"" + rule.to[i] + "\"");
                }
            } else if (key == "everySeconds") {
                if (!readNumber(at, field, 0, rule.everySeconds))
                    return false;
            } else if (!own.count(key)) {
                return fail(at, "\"" + key + "\" means nothing to a " + value["kind"].get<std::string>() + " rule");
            } else if (key == "words") {
                if (!readStrings(at, field, rule.words))
                    return false;
            } else if (key == "ids") {
                if (!readStrings(at, field, rule.ids))
                    return false;
            } else if (key == "chat") {
                if (field == "both")
                    rule.chat = ChatScope::Both;
                else if (field == "all")
                    rule.chat = ChatScope::All;
                else if (field == "team")
                    rule.chat = ChatScope::Team;
                else
                    return fail(at, "\"chat\" is \"all\", \"team\" or \"both\"");
            } else if (key == "count") {
                double count = 0;
                if (!readNumber(at, field, 1, count))
                    return false;
                rule.count = static_cast<int>(count);
            } else if (key == "minutes") {
                if (!readNumber(at, field, 0.01, rule.minutes))
                    return false;
            } else if (key == "atLeast") {
                double least = 0;
                if (!readNumber(at, field, 1, least))
                    return false;
                rule.atLeast = static_cast<int>(least);
            }
        }
        if (rule.to.empty())
            return fail(path, "a rule needs \"to\": the actions that tell its notices");
        switch (rule.kind) {
        case RuleKind::Chat:
            if (rule.words.empty())
                return fail(path, "a chat rule needs \"words\" to look for");
            break;
        case RuleKind::Join:
            if (rule.words.empty() && rule.ids.empty())
                return fail(path, "a join rule needs \"ids\" or \"words\" (names) of the players to look for");
            break;
        case RuleKind::FailedRcon:
            if (rule.count == 0 || rule.minutes == 0)
                return fail(path, "a failedRcon rule needs \"count\" and \"minutes\"");
            break;
        case RuleKind::Silent:
            if (rule.minutes == 0)
                return fail(path, "a silent rule needs \"minutes\"");
            break;
        case RuleKind::Players:
            if (rule.atLeast == 0)
                return fail(path, "a players rule needs \"atLeast\"");
            break;
        case RuleKind::Rcon:
        case RuleKind::Map:
            break;
        }
        return true;
    }

    Rules& rules_;
};

} // namespace

bool parseRules(std::string_view text, Rules& rules, std::string& error)
{
    std::size_t reached = 0;
    PositionRecorder positions(reached);
    if (!Json::sax_parse(CountingIterator(text.data(), &reached), CountingIterator(text.data() + text.size(), nullptr),
                         &positions)) {
        error = lineAndColumn(text, positions.errorAt) + ": not JSON: " + positions.errorWhy;
        return false;
    }
    const Json document = Json::parse(text.begin(), text.end(), nullptr, false);
    Rules read;
    Reader reader(read);
    if (!reader.read(document)) {
        const auto found = positions.at.find(reader.failedAt);
        error = (found == positions.at.end() ? std::string("line 1, column 1")
                                             : lineAndColumn(text, found->second))
                + ": " + reader.why;
        return false;
    }
    rules = std::move(read);
    return true;
}

bool readRulesFile(const std::string& path, Rules& rules, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) {
        error = path + ": cannot be read";
        return false;
    }
    if (!parseRules(text.str(), rules, error)) {
        error = path + ", " + error;
        return false;
    }
    return true;
}

} // namespace zelkam::watch
