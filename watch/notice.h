#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelkam::watch {

// One thing a rule found. Every text was made safe on its way in
// (terminal text: decoded, every control and format character escaped),
// so a notice holds no raw byte of a stranger's.
struct NoticeItem {
    // Calendar seconds of the line (local time), or of the watcher's clock
    // for what no line tells (a server gone silent).
    std::int64_t time = 0;
    // What happened, one line: "*DEAD*Bob : hello", "rcon kick Bob".
    std::string line;
    // The player, when the line names one.
    std::string player;
    std::string uniqueId;
    // The sender's address of remote-console lines, as the rules ask.
    std::string address;
};

// One message to the admins: what one rule found on one server since its
// last notice. At most MaxItems items are kept; more counts the rest.
struct Notice {
    static constexpr std::size_t MaxItems = 20;
    // Numbered in the order notices were made, never reused: a receiver
    // can tell a notice it got twice (after a crash between sending and
    // noting it sent).
    std::uint64_t id = 0;
    std::string rule;
    std::string server;
    std::string kind;
    std::vector<NoticeItem> items;
    std::size_t more = 0;
};

// The notice as one JSON object, on one line and safe to print (safeJson):
// a "content" text that chat services' incoming web hooks show ("[server]
// rule: 10:00:05 line", one line an item), the fields, and no mention of
// anyone that the service would act on.
std::string noticeJson(const Notice& notice);

// The line the print action prints: the content, on one line.
std::string noticeLine(const Notice& notice);

// Reads back what noticeJson wrote (a state file keeps notices not yet
// told). False for anything else.
bool noticeFromJson(const std::string& json, Notice& notice);

} // namespace zelkam::watch
