#include "watch/watcher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include <nlohmann/json.hpp>

#include "parse/time_stamp.h"
#include "receive/secret_file.h"
#include "watch/curl_library.h"

namespace zelkam::watch {
namespace {

using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;

constexpr const char* StateFileName = "watch-state.json";
constexpr int StateVersion = 1;

double monotonicSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

const char* kindName(RuleKind kind)
{
    switch (kind) {
    case RuleKind::Chat: return "chat";
    case RuleKind::Rcon: return "rcon";
    case RuleKind::FailedRcon: return "failedRcon";
    case RuleKind::Join: return "join";
    case RuleKind::Silent: return "silent";
    case RuleKind::Map: return "map";
    case RuleKind::Players: return "players";
    }
    return "";
}

// True when inner is outer or lies within it, as the file system resolves
// both (links followed as far as they exist).
bool isWithin(const fs::path& inner, const fs::path& outer)
{
    std::error_code error;
    const fs::path a = fs::weakly_canonical(inner, error);
    const fs::path b = fs::weakly_canonical(outer, error);
    auto at = a.begin();
    for (auto part = b.begin(); part != b.end(); ++part, ++at) {
        if (part->empty())
            continue;
        if (at == a.end() || *at != *part)
            return false;
    }
    return true;
}

// Writes text as the file at path by way of a new file renamed over it, so
// a crash leaves the old state or the new one, never half of one.
bool writeWhole(const fs::path& path, const std::string& text, std::string& error)
{
    const fs::path temporary = path.string() + ".new";
    const int file = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (file < 0) {
        error = "cannot write " + temporary.string() + ": " + std::generic_category().message(errno);
        return false;
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t wrote = ::write(file, text.data() + written, text.size() - written);
        if (wrote <= 0)
            break;
        written += static_cast<std::size_t>(wrote);
    }
    const bool whole = written == text.size() && ::fsync(file) == 0;
    ::close(file);
    if (!whole || ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path.string() + ": " + std::generic_category().message(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

Json markJson(const TranscriptMark& mark)
{
    return Json{{"day", mark.day}, {"any", mark.any}, {"time", mark.time}, {"ordinal", mark.ordinal}};
}

Json itemJson(const NoticeItem& item)
{
    return Json{{"time", item.time},
                {"line", item.line},
                {"player", item.player},
                {"uniqueId", item.uniqueId},
                {"address", item.address}};
}

} // namespace

std::string defaultStateFolder()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
        return (fs::path(state) / "zelkam" / "watch").string();
    if (const char* home = std::getenv("HOME"); home && *home)
        return (fs::path(home) / ".local" / "state" / "zelkam" / "watch").string();
    return {};
}

Watcher::Watcher(WatchOptions options) : options_(std::move(options)) {}

Watcher::~Watcher()
{
    // The senders end their transfers before the multi handle goes.
    outboxes_.clear();
    if (multi_)
        curlLibrary()->multi_cleanup(static_cast<CURLM*>(multi_));
}

bool Watcher::start(std::string& error)
{
    const fs::path stateFolder = fs::path(options_.stateFolder);
    if (options_.stateFolder.empty()) {
        error = "no state folder: give --state FOLDER";
        return false;
    }
    for (const WatchedServer& server : options_.servers) {
        if (isWithin(stateFolder, server.folder) || isWithin(server.folder, stateFolder)) {
            error = "the state folder " + stateFolder.string() + " must lie outside the log folder " + server.folder
                    + ": the log folder is never written to";
            return false;
        }
    }
    std::error_code made;
    if (!fs::is_directory(stateFolder, made)) {
        if (!fs::create_directories(stateFolder, made)) {
            error = "cannot make the state folder " + stateFolder.string() + ": " + made.message();
            return false;
        }
        ::chmod(stateFolder.c_str(), 0700);
    }
    // A state file changed by hand or damaged may hold a field of the wrong
    // type, which the JSON reader reports by throwing: such a file is
    // refused, as one this watcher did not write, never a crash.
    bool loaded = false;
    try {
        loaded = loadState(error);
    } catch (const Json::exception&) {
        error = "the state file " + (stateFolder / StateFileName).string()
                + " is damaged; move it away to start afresh";
    }
    if (!loaded)
        return false;

    for (const auto& [name, action] : options_.rules.actions) {
        std::unique_ptr<Sender> sender;
        switch (action.kind) {
        case ActionKind::Print:
            sender = makePrintSender(*options_.out);
            break;
        case ActionKind::Command:
            sender = makeCommandSender(action.argv, action.timeoutSeconds);
            break;
        case ActionKind::WebHook: {
            fs::path file = action.urlFile;
            if (file.is_relative()) {
                const char* credentials = std::getenv("CREDENTIALS_DIRECTORY");
                file = (credentials && *credentials ? fs::path(credentials) : fs::path(options_.rulesFolder)) / file;
            }
            std::string url;
            std::string why;
            if (!receive::readSecretFile(file.string(), url, why)) {
                error = "action " + name + ": " + why;
                return false;
            }
            // libcurl is opened by the first web hook: a watcher that only
            // prints or runs commands never loads it.
            const CurlLibrary* curl = curlLibrary(&why);
            if (!curl) {
                error = "action " + name + ": " + why;
                return false;
            }
            if (!multi_)
                multi_ = curl->multi_init();
            if (!multi_) {
                error = "action " + name + ": libcurl could not start";
                return false;
            }
            sender = makeWebHookSender(*curl, static_cast<CURLM*>(multi_), url, action.timeoutSeconds);
            break;
        }
        }
        outboxes_[name] = std::make_unique<Outbox>(name, std::move(sender), options_.backoff, options_.report);
    }

    // Notices a former run had not told yet go first.
    std::ifstream in(stateFolder / StateFileName, std::ios::binary);
    if (in) {
        try {
            std::ostringstream text;
            text << in.rdbuf();
            const Json state = Json::parse(text.str(), nullptr, false);
            if (state.is_object() && state.contains("outboxes") && state["outboxes"].is_object()) {
                for (const auto& [name, notices] : state["outboxes"].items()) {
                    const auto outbox = outboxes_.find(name);
                    if (outbox == outboxes_.end() || !notices.is_array()) {
                        options_.report("the action " + name + " is no longer in the rules: its "
                                        + std::to_string(notices.size()) + " waiting notices are dropped");
                        continue;
                    }
                    for (const Json& json : notices) {
                        Notice notice;
                        if (json.is_string() && noticeFromJson(json.get<std::string>(), notice))
                            outbox->second->push(std::move(notice));
                    }
                }
            }
        } catch (const Json::exception&) {
            options_.report("the waiting notices in the state file could not be read; they are dropped");
        }
    }

    // A restart catches up from where it stopped, but not from further back
    // than the limit: a watcher down for a week tells the last days only.
    // It still goes on after its mark, so that nothing told before is told
    // again, even when the server wrote nothing since (a quiet week).
    const std::int64_t now = options_.clock();
    const std::int32_t today = dayStartOf(static_cast<std::int32_t>(now));
    const std::int32_t cutoff = today - options_.catchUpDays * 86400;
    for (const WatchedServer& server : options_.servers) {
        const ServerMemory& memory = memories_[server.name];
        const bool cut = memory.mark && memory.mark->day < cutoff;
        if (cut) {
            options_.report(server.name + ": stopped more than " + std::to_string(options_.catchUpDays)
                            + " days ago; catching up from " + std::to_string(options_.catchUpDays)
                            + " days back only");
        }
        watches_.push_back(std::make_unique<ServerWatch>(server.name, server.folder, options_.rules, memory,
                                                         std::nullopt, salt_,
                                                         cut ? cutoff : std::numeric_limits<std::int32_t>::min()));
    }
    return save(error);
}

bool Watcher::loadState(std::string& error)
{
    const fs::path path = fs::path(options_.stateFolder) / StateFileName;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::random_device random;
        salt_ = (static_cast<std::uint64_t>(random()) << 32) ^ random();
        return true;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const Json state = Json::parse(text.str(), nullptr, false);
    if (!state.is_object() || state.value("version", 0) != StateVersion || !state.contains("salt")
        || !state["salt"].is_number_unsigned() || !state.contains("nextId") || !state["nextId"].is_number_unsigned()) {
        error = "the state file " + path.string() + " is not one this watcher wrote; move it away to start afresh";
        return false;
    }
    salt_ = state["salt"].get<std::uint64_t>();
    nextId_ = state["nextId"].get<std::uint64_t>();
    if (state.contains("servers") && state["servers"].is_object()) {
        for (const auto& [name, server] : state["servers"].items()) {
            if (!server.is_object())
                continue;
            ServerMemory memory;
            if (server.contains("mark") && server["mark"].is_object()) {
                const Json& mark = server["mark"];
                memory.mark = TranscriptMark{mark.value("any", false), mark.value("day", 0), mark.value("time", 0),
                                             mark.value("ordinal", std::size_t{0})};
            }
            memory.players = server.value("players", -1);
            if (server.contains("lastLineAt") && server["lastLineAt"].is_number_integer())
                memory.lastLineAt = server["lastLineAt"].get<std::int64_t>();
            if (server.contains("silent") && server["silent"].is_array()) {
                for (const Json& rule : server["silent"])
                    memory.silentRules.push_back(rule.is_string() ? rule.get<std::string>() : "");
            }
            memories_[name] = std::move(memory);
        }
    }
    if (state.contains("gates") && state["gates"].is_array()) {
        for (const Json& gate : state["gates"]) {
            if (!gate.is_object())
                continue;
            Gate& into = gates_[{gate.value("rule", ""), gate.value("server", "")}];
            into.lastSent = gate.value("lastSent", std::int64_t{0});
            into.everSent = gate.value("everSent", false);
            into.more = gate.value("more", std::size_t{0});
            if (gate.contains("items") && gate["items"].is_array()) {
                for (const Json& item : gate["items"]) {
                    into.items.push_back({item.value("time", std::int64_t{0}), item.value("line", ""),
                                          item.value("player", ""), item.value("uniqueId", ""),
                                          item.value("address", "")});
                }
            }
        }
    }
    return true;
}

std::string Watcher::stateText() const
{
    Json state = Json::object();
    state["version"] = StateVersion;
    state["salt"] = salt_;
    state["nextId"] = nextId_;
    Json servers = Json::object();
    for (const auto& [name, memory] : memories_) {
        Json server = Json::object();
        if (memory.mark)
            server["mark"] = markJson(*memory.mark);
        server["players"] = memory.players;
        if (memory.lastLineAt)
            server["lastLineAt"] = *memory.lastLineAt;
        server["silent"] = memory.silentRules;
        servers[name] = std::move(server);
    }
    state["servers"] = std::move(servers);
    Json gates = Json::array();
    for (const auto& [key, gate] : gates_) {
        Json items = Json::array();
        for (const NoticeItem& item : gate.items)
            items.push_back(itemJson(item));
        gates.push_back(Json{{"rule", key.first},
                             {"server", key.second},
                             {"lastSent", gate.lastSent},
                             {"everSent", gate.everSent},
                             {"more", gate.more},
                             {"items", std::move(items)}});
    }
    state["gates"] = std::move(gates);
    Json outboxes = Json::object();
    for (const auto& [name, outbox] : outboxes_) {
        Json notices = Json::array();
        for (const Notice& notice : outbox->queue())
            notices.push_back(noticeJson(notice));
        outboxes[name] = std::move(notices);
    }
    state["outboxes"] = std::move(outboxes);
    return state.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool Watcher::save(std::string& error)
{
    for (const auto& watch : watches_)
        memories_[watch->name()] = watch->memory();
    std::string text = stateText();
    if (text == saved_)
        return true;
    if (!writeWhole(fs::path(options_.stateFolder) / StateFileName, text, error))
        return false;
    saved_ = std::move(text);
    return true;
}

void Watcher::gather(std::size_t rule, const std::string& server, NoticeItem item)
{
    Gate& gate = gates_[{options_.rules.rules[rule].name, server}];
    if (gate.items.size() < Notice::MaxItems)
        gate.items.push_back(std::move(item));
    else
        ++gate.more;
}

void Watcher::makeDueNotices(std::int64_t now, bool all)
{
    for (const Rule& rule : options_.rules.rules) {
        for (auto at = gates_.lower_bound({rule.name, ""}); at != gates_.end() && at->first.first == rule.name;
             ++at) {
            Gate& gate = at->second;
            if (gate.items.empty())
                continue;
            if (!all && gate.everSent && now - gate.lastSent < static_cast<std::int64_t>(rule.everySeconds))
                continue;
            Notice notice;
            notice.id = nextId_++;
            notice.rule = rule.name;
            notice.server = at->first.second;
            notice.kind = kindName(rule.kind);
            notice.items = std::move(gate.items);
            notice.more = gate.more;
            gate.items.clear();
            gate.more = 0;
            gate.lastSent = now;
            gate.everSent = true;
            for (const std::string& action : rule.to)
                outboxes_.at(action)->push(notice);
        }
    }
}

bool Watcher::round(std::string& error)
{
    const std::int64_t now = options_.clock();
    std::vector<Hit> hits;
    for (const auto& watch : watches_) {
        if (std::find(lost_.begin(), lost_.end(), watch->name()) != lost_.end())
            continue;
        hits.clear();
        const LiveTranscript::Look look = watch->look(now, hits);
        if (look == LiveTranscript::Look::NotAFolder || look == LiveTranscript::Look::Gone) {
            options_.report(watch->name() + ": " + watch->transcript().folder()
                            + (look == LiveTranscript::Look::Gone ? " is gone" : " is not a folder"));
            lost_.push_back(watch->name());
        }
        for (Hit& hit : hits)
            gather(hit.rule, watch->name(), std::move(hit.item));
    }
    makeDueNotices(now, false);
    // What was found is in the state file before anything is told: a crash
    // now tells it after the restart rather than never.
    if (!save(error))
        return false;
    bool told = false;
    const double at = monotonicSeconds();
    for (const auto& [name, outbox] : outboxes_)
        told = outbox->pump(at) || told;
    return !told || save(error);
}

void Watcher::gatherAll() { makeDueNotices(options_.clock(), true); }

bool Watcher::tellWaiting(double timeLimitSeconds)
{
    const double deadline = monotonicSeconds() + timeLimitSeconds;
    for (;;) {
        bool waiting = false;
        for (const auto& [name, outbox] : outboxes_) {
            outbox->pump(monotonicSeconds());
            waiting = waiting || (!outbox->idle() && !outbox->failing());
        }
        std::string ignored;
        save(ignored);
        if (!waiting || monotonicSeconds() >= deadline)
            return waitingNotices() == 0;
        wait(20);
    }
}

void Watcher::wait(int milliseconds)
{
    // With a web hook, curl's wait also ends when a transfer moves on.
    if (multi_)
        curlLibrary()->multi_poll(static_cast<CURLM*>(multi_), nullptr, 0, milliseconds, nullptr);
    else
        ::poll(nullptr, 0, milliseconds);
}

std::size_t Watcher::waitingNotices() const
{
    std::size_t count = 0;
    for (const auto& [name, outbox] : outboxes_)
        count += outbox->queue().size();
    return count;
}

} // namespace zelkam::watch
