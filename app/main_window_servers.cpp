// A community of servers in the main window: which server is read, the
// selector that picks another at the same time of day, and the servers that
// appear while the community is shown.

#include <algorithm>

#include <QComboBox>
#include <QFontMetrics>

#include "app/background_loader.h"
#include "app/main_window.h"
#include "history/player_record.h"
#include "ingest/open_file.h"
#include "platform/settings_store.h"
#include "replay/viewer_state.h"
#include "views/display_text.h"

namespace zelkam {

namespace {

// How often (timer ticks) a shown community is listed again for servers
// that began writing since: a listing is a look at every server folder.
constexpr int ServerLookTicks = 10;

// The command that plays on as the shown replay played.
PlaybackCommand resumeCommand(ViewerState::PlayMode mode, std::int32_t speed)
{
    switch (mode) {
    case ViewerState::PlayMode::Rewinding:
        return PlaybackCommand::Rewind;
    case ViewerState::PlayMode::Paused:
        return PlaybackCommand::Pause;
    default:
        break;
    }
    if (speed >= 60)
        return PlaybackCommand::Fastest;
    return speed >= 5 ? PlaybackCommand::Fast : PlaybackCommand::Play;
}

// The day of days to show for a server switched to on date day: that day,
// else the nearest earlier one, else the first.
std::size_t dayIndexFor(const GrowArray<std::int32_t>& days, std::int32_t day)
{
    std::size_t index = 0;
    for (std::size_t i = 0; i < days.size() && days[i] <= day; ++i)
        index = i;
    return index;
}

// A server's item in the selector: its name, then the hostname its log
// states, both drawn as a stranger's text; the hostname is elided to the
// room the name leaves in width pixels, the name never.
QString serverItemText(const ServerFolder& server, const QFontMetrics& metrics, int width)
{
    const QString name = QString::fromStdString(isolatedDisplayText(server.name));
    if (server.hostname.empty())
        return name;
    const QString separator = QStringLiteral(" \u2014 ");
    // Inside the isolate the display rule wraps it in, so that the eliding
    // cannot cut its closing mark away.
    const QString hostname = QString::fromStdString(isolatedDisplayText(server.hostname));
    const QString inner = hostname.mid(1, hostname.size() - 2);
    const int room = width - metrics.horizontalAdvance(name + separator);
    if (room < metrics.horizontalAdvance(QStringLiteral("MMM")))
        return name;
    return name + separator + hostname.front() + metrics.elidedText(inner, Qt::ElideRight, room) + hostname.back();
}

} // namespace

void MainWindow::listServers()
{
    std::error_code error;
    ServerFolders found;
    // A folder that cannot be listed is tried as one server: the load then
    // tells the user, as it always has.
    if (!listServerFolders(pathFromUtf8(logFolder_), found, error))
        found = ServerFolders();
    if (!found.community) {
        // One server (or none): listed as the one unnamed entry it is.
        servers_ = std::move(found);
        serverFolder_ = logFolder_;
        shownServer_ = 0;
        fillServerList();
        return;
    }
    servers_ = std::move(found);
    readServerHostnames(servers_.servers);
    const ServerFolder* remembered = servers_.find(services_.settings.readServer());
    shownServer_ = remembered ? static_cast<int>(remembered - servers_.servers.data())
                              : static_cast<int>(newestServer(servers_));
    serverFolder_ = utf8FromPath(servers_.servers[static_cast<std::size_t>(shownServer_)].path);
    fillServerList();
}

void MainWindow::fillServerList()
{
    if (!serverSelector_)
        return;
    serverSelector_->clear();
    if (servers_.community) {
        for (std::size_t i = 0; i < servers_.servers.size(); ++i)
            serverSelector_->addItem(QString());
        serverSelector_->setCurrentIndex(shownServer_);
    }
    // Laid out, then named for the width the box has.
    serverItemsWidth_ = -1;
    layoutChildren();
}

void MainWindow::nameServerItems()
{
    if (!serverSelector_ || !servers_.community || serverSelector_->width() == serverItemsWidth_ ||
        static_cast<std::size_t>(serverSelector_->count()) != servers_.servers.size())
        return;
    serverItemsWidth_ = serverSelector_->width();
    // The box's frame and arrow take about a line's height of it.
    const int room = serverSelector_->width() - serverSelector_->height() - 12;
    for (std::size_t i = 0; i < servers_.servers.size(); ++i)
        serverSelector_->setItemText(static_cast<int>(i),
                                     serverItemText(servers_.servers[i], serverSelector_->fontMetrics(), room));
}

void MainWindow::selectServer(int index)
{
    if (index == shownServer_ && !isLoading())
        return;
    switchServer(index, state_.playMode() == ViewerState::PlayMode::Live);
}

void MainWindow::openServerLive(const std::string& name)
{
    if (const ServerFolder* server = servers_.find(name))
        switchServer(static_cast<int>(server - servers_.servers.data()), true);
}

void MainWindow::switchServer(int index, bool live)
{
    if (destroyed_ || index < 0 || static_cast<std::size_t>(index) >= servers_.servers.size())
        return;
    const ServerFolder& server = servers_.servers[static_cast<std::size_t>(index)];
    shownServer_ = index;
    serverFolder_ = servers_.community ? utf8FromPath(server.path) : logFolder_;
    if (servers_.community) {
        serverSelector_->setCurrentIndex(index);
        services_.settings.writeServer(server.name);
    }
    // What the shown server stands at, carried over: the date, the time of
    // day and how it plays.
    const PlaybackCommand resume = resumeCommand(state_.playMode(), state_.speed());
    const std::int32_t day = state_.dayStart();
    const std::int32_t timeOfDay = state_.isEmptyDay() ? 0 : state_.viewClock() - day;
    // The server's day is read on the loader's thread; where it stands is
    // set once it is shown.
    const auto job = [live, day](LoadedDay& loaded) {
        if (loaded.days().empty())
            return false;
        const std::size_t index = live ? loaded.days().size() - 1 : dayIndexFor(loaded.days(), day);
        return loaded.read(loaded.days()[index]);
    };
    loader_->withFolder(serverFolder_, job, true, [this, live, resume, timeOfDay](bool loaded) {
        if (loaded && live) {
            state_.goLive();
        } else if (loaded) {
            state_.seek(state_.dayStart() + timeOfDay);
            state_.command(resume);
        }
        fillDateList();
        refreshViews();
        emit folderChanged();
    });
}

void MainWindow::openPlayerRecordOn(const std::string& server, const RecordSubject& subject)
{
    const ServerFolder* found = servers_.community && !server.empty() ? servers_.find(server) : nullptr;
    const int index = found ? static_cast<int>(found - servers_.servers.data()) : shownServer_;
    if (!found || index == shownServer_) {
        openPlayerRecord(subject);
        return;
    }
    // Opened only while that server is still the one shown: another folder
    // or server chosen meanwhile drops it.
    connect(
        this, &MainWindow::folderChanged, this,
        [this, server, subject] {
            if (servers_.community && static_cast<std::size_t>(shownServer_) < servers_.servers.size() &&
                servers_.servers[static_cast<std::size_t>(shownServer_)].name == server)
                openPlayerRecord(subject);
        },
        Qt::SingleShotConnection);
    switchServer(index, false);
}

void MainWindow::selectNeighbourServer(int step)
{
    if (destroyed_ || !servers_.community)
        return;
    const std::int64_t next = static_cast<std::int64_t>(shownServer_) + step;
    if (next < 0 || next >= static_cast<std::int64_t>(servers_.servers.size()))
        return;
    selectServer(static_cast<int>(next));
}

bool MainWindow::lookForNewServers()
{
    if (!servers_.community || ++ticksSinceServerLook_ < ServerLookTicks)
        return false;
    ticksSinceServerLook_ = 0;
    std::error_code error;
    ServerFolders found;
    if (!listServerFolders(pathFromUtf8(logFolder_), found, error) || !found.community)
        return false;
    // Servers only join: one that went away stays listed (its folder may be
    // back), and the shown one keeps its place by name.
    bool joined = false;
    for (ServerFolder& server : found.servers) {
        if (servers_.find(server.name))
            continue;
        servers_.servers.push_back(std::move(server));
        joined = true;
    }
    if (!joined)
        return false;
    readServerHostnames(servers_.servers);
    const std::string shownName = servers_.servers[static_cast<std::size_t>(shownServer_)].name;
    std::sort(servers_.servers.begin(), servers_.servers.end(),
              [](const ServerFolder& a, const ServerFolder& b) { return a.name < b.name; });
    shownServer_ = static_cast<int>(servers_.find(shownName) - servers_.servers.data());
    fillServerList();
    return true;
}

} // namespace zelkam
