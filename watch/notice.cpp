#include "watch/notice.h"

#include <ctime>

#include <nlohmann/json.hpp>

#include "text/text_out.h"

namespace zelkam::watch {
namespace {

using Json = nlohmann::ordered_json;

// What a chat service shows of a message at most; the items beyond are
// left to the fields.
constexpr std::size_t MaxContentBytes = 1900;

std::string clockText(std::int64_t time)
{
    const std::time_t at = static_cast<std::time_t>(time);
    std::tm fields{};
    char text[16] = "??:??:??";
    if (localtime_r(&at, &fields))
        std::strftime(text, sizeof text, "%H:%M:%S", &fields);
    return text;
}

std::string content(const Notice& notice, const char* between)
{
    // The rule's and the server's names are the admin's, yet they go the
    // same way as a stranger's text: one rule for everything told.
    std::string text = "[" + terminalTextFromUtf8(notice.server) + "] " + terminalTextFromUtf8(notice.rule) + ":";
    for (std::size_t i = 0; i < notice.items.size(); ++i) {
        std::string item = (notice.items.size() > 1 ? std::string(between) : std::string(" "))
                           + clockText(notice.items[i].time) + " " + notice.items[i].line;
        if (text.size() + item.size() > MaxContentBytes) {
            text += std::string(between) + "and " + std::to_string(notice.items.size() - i + notice.more) + " more";
            return text;
        }
        text += item;
    }
    if (notice.more)
        text += std::string(between) + "and " + std::to_string(notice.more) + " more";
    return text;
}

} // namespace

std::string noticeJson(const Notice& notice)
{
    Json json = Json::object();
    json["content"] = content(notice, "\n");
    json["id"] = notice.id;
    json["rule"] = terminalTextFromUtf8(notice.rule);
    json["server"] = terminalTextFromUtf8(notice.server);
    json["kind"] = notice.kind;
    Json items = Json::array();
    for (const NoticeItem& item : notice.items) {
        Json entry = Json::object();
        entry["time"] = item.time;
        entry["line"] = terminalTextFromUtf8(item.line);
        if (!item.player.empty())
            entry["player"] = terminalTextFromUtf8(item.player);
        if (!item.uniqueId.empty())
            entry["uniqueId"] = terminalTextFromUtf8(item.uniqueId);
        if (!item.address.empty())
            entry["address"] = terminalTextFromUtf8(item.address);
        items.push_back(std::move(entry));
    }
    json["items"] = std::move(items);
    json["more"] = notice.more;
    // A player named "@everyone" must not make the service call everyone.
    json["allowed_mentions"] = Json{{"parse", Json::array()}};
    return safeJson(json.dump(-1, ' ', false, Json::error_handler_t::replace));
}

std::string noticeLine(const Notice& notice) { return content(notice, " | "); }

namespace {

bool readNotice(const std::string& text, Notice& notice)
{
    const Json json = Json::parse(text, nullptr, false);
    if (!json.is_object() || !json.contains("items") || !json["items"].is_array() || !json.contains("id")
        || !json["id"].is_number_unsigned())
        return false;
    Notice read;
    read.id = json["id"].get<std::uint64_t>();
    read.rule = json.value("rule", "");
    read.server = json.value("server", "");
    read.kind = json.value("kind", "");
    read.more = json.value("more", std::size_t{0});
    for (const Json& entry : json["items"]) {
        if (!entry.is_object())
            return false;
        NoticeItem item;
        item.time = entry.value("time", std::int64_t{0});
        item.line = entry.value("line", "");
        item.player = entry.value("player", "");
        item.uniqueId = entry.value("uniqueId", "");
        item.address = entry.value("address", "");
        read.items.push_back(std::move(item));
    }
    notice = std::move(read);
    return true;
}

} // namespace

bool noticeFromJson(const std::string& text, Notice& notice)
{
    // A field of the wrong type is reported by throwing: such a notice is
    // one this program did not write.
    try {
        return readNotice(text, notice);
    } catch (const Json::exception&) {
        return false;
    }
}

} // namespace zelkam::watch
