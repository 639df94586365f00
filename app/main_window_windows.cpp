// The windows the main window opens beside itself: Find, its results over
// every day, a player's record and About, and the way back from a hit to
// the replay.

#include <algorithm>
#include <memory>

#include <QComboBox>
#include <QPushButton>

#include "app/about_dialog.h"
#include "app/background_loader.h"
#include "app/clock_text.h"
#include "app/find_all_window.h"
#include "app/main_window.h"
#include "app/player_record_window.h"
#include "app/report_range_dialog.h"
#include "app/save_name.h"
#include "app/window_worker.h"
#include "investigate/report_page.h"
#include "ingest/open_file.h"
#include "history/window_replay.h"
#include "platform/dialogs.h"
#include "platform/settings_store.h"
#include "replay/loaded_day.h"
#include "replay/viewer_state.h"

namespace zelkam {
namespace {

// Reads day when the folder still lists it and it holds events: a day a
// search or a timeline named may be gone since.
bool readListedDay(LoadedDay& loaded, std::int32_t day)
{
    const auto listed = std::find(loaded.days().begin(), loaded.days().end(), day) != loaded.days().end();
    return listed && loaded.read(day) && loaded.hasDay();
}

} // namespace

bool MainWindow::handleFindRequest(const FindRequest& request)
{
    if (request.flags & FindRequest::FindNext) {
        searched_ = true;
        lastKind_ = request.kind;
        lastMatchCase_ = (request.flags & FindRequest::MatchCase) != 0;
        if (state_.find(lastKind_, findPattern_, lastMatchCase_))
            return true;
        // Modal to the Find dialog only (to the main window when F3 searched
        // without it): playback and painting go on meanwhile.
        services_.messages.open(findDialog_ ? static_cast<QWidget*>(findDialog_) : this, QStringLiteral("Find"),
                                QStringLiteral("    Can't find it        "), MessageIcon::Error);
        return false;
    }
    if (request.flags & FindRequest::DialogTerm) {
        // The dialog is closing: from now on it is not ours to use.
        if (findDialog_)
            findDialog_->deleteLater();
        findDialog_ = nullptr;
    }
    return false;
}

void MainWindow::openFindAll(const FindRequest& request)
{
    // Kept for the next opening of Find, as a Find Next's are.
    lastKind_ = request.kind;
    lastMatchCase_ = (request.flags & FindRequest::MatchCase) != 0;
    auto* results = new FindAllWindow(this);
    results->keepPlaceIn(services_.settings);
    connect(results, &FindAllWindow::hitActivated, this, &MainWindow::standAfter);
    if (servers_.community) {
        // Every server of the community is searched: the rows stay good
        // while the viewer moves between its servers, not when another
        // folder is opened.
        const std::string searched = logFolder_;
        connect(this, &MainWindow::folderChanged, results, [this, results, searched] {
            if (logFolder_ != searched)
                results->forgetFolder();
        });
        results->show();
        results->start(servers_.servers, request.kind, findPattern_, (request.flags & FindRequest::MatchCase) != 0);
        return;
    }
    connect(this, &MainWindow::folderChanged, results, &FindAllWindow::forgetFolder);
    results->show();
    // The files and days the date selector lists: no second folder scan.
    FolderDays folder;
    folder.assign(state_.folder().files(), state_.folder().days());
    results->start(folder, request.kind, findPattern_,
                   (request.flags & FindRequest::MatchCase) != 0);
}

void MainWindow::readDayOf(const std::string& server, std::int32_t day, std::function<void()> standOn)
{
    // A day of another server of the community is read there, which
    // becomes the server shown.
    if (servers_.community && !server.empty() &&
        server != servers_.servers[static_cast<std::size_t>(shownServer_)].name) {
        if (const ServerFolder* other = servers_.find(server)) {
            shownServer_ = static_cast<int>(other - servers_.servers.data());
            serverFolder_ = utf8FromPath(other->path);
            serverSelector_->setCurrentIndex(shownServer_);
            services_.settings.writeServer(other->name);
            const auto job = [day](LoadedDay& loaded) { return readListedDay(loaded, day); };
            // Handed over even when the day is gone: the server is shown
            // then, at an empty day.
            loader_->withFolder(serverFolder_, job, true, [this, standOn](bool shown) {
                if (shown)
                    standOn();
                fillDateList();
                refreshViews();
                emit folderChanged();
            });
            return;
        }
    }
    // The day is read on the loader's thread, as a day chosen in the date
    // selector is, and stood on once it is shown; the shown day stays when
    // the day cannot be loaded (gone since it was found).
    const auto job = [day](LoadedDay& loaded) { return readListedDay(loaded, day); };
    loader_->withFolder(serverFolder_, job, false, [this, standOn](bool shown) {
        if (shown)
            standOn();
        refreshViews();
    });
}

void MainWindow::standAfter(const HistoryHit& hit)
{
    // Stood on where the day is shown: a walk of one day's events at most,
    // after the hit, or at the day's start when the hit is not in it any
    // more.
    readDayOf(hit.server, hit.day, [this, hit] { standAfterHitInDay(state_, hit); });
}

void MainWindow::standAtSecond(const std::string& server, std::int32_t day, std::int32_t time)
{
    // Loaded paused, and a seek keeps the speed: the replay waits there.
    readDayOf(server, day, [this, time] { state_.seek(time); });
}

void MainWindow::openPlayerRecord(const PlayerEntry& player)
{
    openPlayerRecord(RecordSubject{player.name ? player.name : "", player.uniqueId ? player.uniqueId : "", player.userId});
}

void MainWindow::openPlayerRecord(const RecordSubject& subject)
{
    // On a community the record finds the player on every server, and its
    // lines of the shown server lead back there.
    RecordServers servers;
    if (servers_.community) {
        servers.servers = servers_.servers;
        servers.shown = servers_.servers[static_cast<std::size_t>(shownServer_)].name;
    }
    auto* record = new PlayerRecordWindow(state_, subject, serverFolder_, this, addressNames_, servers);
    record->keepPlaceIn(services_.settings);
    connect(record, &PlayerRecordWindow::lineActivated, this, &MainWindow::standAfter);
    connect(record, &PlayerRecordWindow::secondActivated, this, &MainWindow::standAtSecond);
    connect(this, &MainWindow::addressNamesChanged, record, [this, record] { record->showAddressesAs(addressNames_); });
    if (servers_.community) {
        // Its lines name their server: they stay good while the viewer
        // moves between the servers, not when another folder is opened.
        const std::string recorded = logFolder_;
        connect(this, &MainWindow::folderChanged, record, [this, record, recorded] {
            if (logFolder_ != recorded)
                record->forgetFolder();
        });
    } else {
        connect(this, &MainWindow::folderChanged, record, &PlayerRecordWindow::forgetFolder);
    }
    record->show();
}

namespace {
constexpr char HideAddressesValue[] = "Hide Addresses";
}

bool MainWindow::setAddressesHidden(bool hidden)
{
    AddressNames names;
    std::string error;
    if (hidden && !names.usePseudonyms(addressKeyFolder(), error)) {
        services_.messages.open(this, QStringLiteral("Hide Addresses"),
                                QStringLiteral("Cannot hide the addresses: ") + QString::fromStdString(error),
                                MessageIcon::Error);
        return false;
    }
    addressNames_ = names;
    services_.settings.writeSwitch(HideAddressesValue, hidden);
    // The chat pane shows the change at once, not at the next second.
    if (chatView_)
        refreshViews();
    emit addressNamesChanged();
    return true;
}

void MainWindow::restoreAddressesHidden()
{
    bool hidden = false;
    if (services_.settings.readSwitch(HideAddressesValue, hidden) && hidden)
        setAddressesHidden(true);
}

void MainWindow::openSaveReport()
{
    if (state_.isEmptyDay()) {
        services_.messages.open(this, QStringLiteral("Save Report"), QStringLiteral("No day is shown."),
                                MessageIcon::Error);
        return;
    }
    const std::int32_t clock = state_.clock() - state_.dayStart();
    auto* dialog = new ReportRangeDialog(clock - ReportRangeDialog::AroundClockSeconds,
                                         clock + ReportRangeDialog::AroundClockSeconds, this);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    const std::int32_t day = state_.dayStart();
    connect(dialog, &QDialog::accepted, this, [this, dialog, day] {
        // The day may have changed while the dialog was open: the range is
        // of the day it was asked about.
        if (state_.dayStart() != day)
            return;
        const QString path = askSaveFileName(
            this, QStringLiteral("Save Report"),
            offeredFileName(QStringLiteral("report"), {QString::fromStdString(localDateText(day))}, QStringLiteral("html")),
            QStringLiteral("Web pages (*.html)"), QStringLiteral("html"));
        if (!path.isEmpty())
            saveReport(day + dialog->fromSecond(), day + dialog->toSecond(), path);
    });
    dialog->open();
}

void MainWindow::saveReport(std::int32_t from, std::int32_t to, const QString& path)
{
    AddressNames pseudonyms;
    std::string error;
    if (!pseudonyms.usePseudonyms(addressKeyFolder(), error)) {
        services_.messages.open(this, QStringLiteral("Save Report"),
                                QStringLiteral("Cannot hide the addresses: ") + QString::fromStdString(error),
                                MessageIcon::Error);
        emit reportSaved(false);
        return;
    }
    ReportRequest request;
    request.folder = logFolder_;
    request.server = reportServerName(logFolder_);
    request.from = from;
    request.to = to;
    const std::int32_t day = state_.dayStart();
    if (!reportWorker_)
        reportWorker_ = std::make_unique<WindowWorker>(*this);
    reportWorker_->start([this, request, pseudonyms, day, path](const WindowWorker::Job& job) {
        // A state of its own: the page rebuilds the replay at both ends of
        // the range, which the shown replay must not see.
        ViewerState state;
        const bool saved = state.scanFolder(request.folder) && state.loadDay(day) && !state.isEmptyDay() &&
                           saveWritten(path, [&](const ReportWriter& put) {
                               return writeReportPage(state, request, pseudonyms, put);
                           });
        job.post([this, saved, path] {
            if (!saved)
                services_.messages.open(this, QStringLiteral("Save Report"),
                                        QStringLiteral("Cannot write the report to ") + path, MessageIcon::Error);
            emit reportSaved(saved);
        });
    });
}

void MainWindow::openFindDialog()
{
    if (findDialog_) {
        // One Find dialog at a time: the open one comes to the front.
        findDialog_->show();
        findDialog_->raise();
        findDialog_->activateWindow();
        return;
    }
    findDialog_ = new FindDialog(findPattern_, this, lastKind_, lastMatchCase_);
    connect(findDialog_, &FindDialog::findRequested, this, [this](FindRequest request) {
        if (handleFindRequest(request))
            refreshViews();
    });
    connect(findDialog_, &FindDialog::findAllRequested, this, &MainWindow::openFindAll);
    findDialog_->show();
}

void MainWindow::openAboutDialog()
{
    // Modal to the main window only and opened without a nested event loop:
    // the timer, the Find dialog and painting carry on while it is open.
    auto* about = new AboutDialog(services_.links, this);
    about->setWindowModality(Qt::WindowModal);
    connect(about, &QDialog::finished, about, &QObject::deleteLater);
    about->open();
}

} // namespace zelkam
