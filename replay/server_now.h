#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zelkam {

// What a server is playing now, read from the end of its newest log file
// only: a community of fifty servers is looked at in a fraction of a
// second, by `zelkam-cli now` and the viewer's Servers window alike.
struct ServerNow {
    // The map as logged (raw bytes: a stranger's text), empty when the end
    // of the file shows no map start or map line.
    std::string map;
    // Players on each side as the event rules leave the roster; the rest
    // (spectators, no team yet) counted as spectators.
    int terrorists = 0;
    int cts = 0;
    int spectators = 0;
    // The newest chat line, composed as the chat view shows it (raw bytes),
    // and its time in calendar seconds.
    bool hasChat = false;
    std::int32_t chatTime = 0;
    std::string chat;
    // The newest stamped line's time (calendar seconds); -1 when none.
    std::int32_t newestLine = -1;
};

// Reads the server at serverFolder: its plain log written last
// (newestLogFile; a server writing now writes plain text) read at its end
// through the event rules, as a day's replay applies them, so a map start
// there begins the roster afresh. Players who joined before that end and
// said nothing since are not known. False when the folder holds no plain
// log or it cannot be read.
bool readServerNow(const std::filesystem::path& serverFolder, ServerNow& now);

// The calendar time of the newest stamped line of a piece of a plain log;
// -1 when none is read.
std::int32_t newestLineTime(std::string_view tail);

} // namespace zelkam
