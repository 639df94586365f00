#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zelkam::watch {

// What a rule watches for.
enum class RuleKind {
    // Chat or team chat holding any of the words (as Find finds chat).
    Chat,
    // A remote-console command: any, or one holding any of the words.
    Rcon,
    // count failed remote-console attempts within minutes from one address.
    FailedRcon,
    // A listed player entering the game: by unique id (exactly) or by a
    // name holding any of the words (as Find finds players).
    Join,
    // No line for minutes, and the first line after that.
    Silent,
    // A map starting.
    Map,
    // The number of players rising to atLeast, and falling below it again.
    Players,
};

// Which chat a chat rule reads.
enum class ChatScope { Both, All, Team };

struct Rule {
    std::string name;
    RuleKind kind = RuleKind::Chat;
    // Server names (a watched folder's own name); empty for every server.
    std::vector<std::string> servers;
    // Names of actions in Rules::actions, each told every notice.
    std::vector<std::string> to;
    std::vector<std::string> words;
    std::vector<std::string> ids;
    ChatScope chat = ChatScope::Both;
    int count = 0;
    double minutes = 0;
    int atLeast = 0;
    // A rule sends at most one notice a server this often; what it finds
    // meanwhile waits and goes out as one notice listing it.
    double everySeconds = 60;
};

enum class ActionKind { Print, Command, WebHook };

struct Action {
    ActionKind kind = ActionKind::Print;
    // Command: the program and its arguments, exactly (no shell).
    std::vector<std::string> argv;
    // WebHook: the file holding its address (a secret). A relative name is
    // looked up in the service's credentials folder when there is one,
    // else beside the rules file.
    std::string urlFile;
    // Command and WebHook: how long one try may take.
    double timeoutSeconds = 10;
};

// How failed remote-console attempts name their address in notices.
enum class AddressForm { Shown, Pseudonymised };

struct Rules {
    std::map<std::string, Action> actions;
    std::vector<Rule> rules;
    AddressForm addresses = AddressForm::Shown;
};

// Reads a rules file's text (JSON). False, with the line, the column and
// why in error ("line 12, column 5: ..."), for text that is not JSON or a
// rule that could not work: an unknown key or kind, a missing or empty
// field, a number out of range, an action that is not defined, two rules
// of one name.
bool parseRules(std::string_view text, Rules& rules, std::string& error);

// parseRules of the file at path (UTF-8); the error names the file.
bool readRulesFile(const std::string& path, Rules& rules, std::string& error);

} // namespace zelkam::watch
