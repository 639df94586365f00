#pragma once

#include <string>
#include <string_view>

#include "tests/support/temp_folder.h"

namespace zelkam::test {

// The text after the time stamp of the log lines the recogniser knows, as a
// server writes them. Players are given by name and user id; team is the
// player token's last group ("CT", "TERRORIST", "" for none).
std::string playerToken(std::string_view name, int userId, std::string_view team = "");
std::string mapStarted(std::string_view map);
std::string connected(std::string_view name, int userId, std::string_view address);
std::string disconnected(std::string_view name, int userId, std::string_view team = "");
std::string entered(std::string_view name, int userId);
std::string joinedTeam(std::string_view name, int userId, std::string_view team);
std::string changedName(std::string_view name, int userId, std::string_view team, std::string_view newName);
std::string said(std::string_view name, int userId, std::string_view team, std::string_view message);
std::string saidTeam(std::string_view name, int userId, std::string_view team, std::string_view message);
// "rcon <challenge> <password> <command>" sent from address; with an empty
// command the text has fewer than three spaces and the event no command.
std::string rconCommand(std::string_view command, std::string_view address);
std::string badRconCommand(std::string_view command, std::string_view address);
std::string roundStarted();
std::string teamScored(int ctScore, int tScore);
std::string killed(std::string_view killer, int killerId, std::string_view killerTeam, std::string_view victim,
                   int victimId, std::string_view victimTeam);
std::string suicide(std::string_view name, int userId, std::string_view team);

// One whole log line in which the same player, Bob, says message.
std::string chatLineAt(std::string_view date, std::string_view time, std::string_view message);

// Lines of a log file, each stamped with the current date (MM/DD/YYYY, as
// the server writes it) and the given time.
class LogText {
public:
    explicit LogText(std::string_view date) : date_(date) {}
    LogText& on(std::string_view date)
    {
        date_ = date;
        return *this;
    }
    LogText& at(std::string_view time, std::string_view rest)
    {
        text_ += lineAt(date_, time, rest);
        return *this;
    }
    const std::string& text() const { return text_; }

private:
    std::string date_;
    std::string text_;
};

} // namespace zelkam::test
