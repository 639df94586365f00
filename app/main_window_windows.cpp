// The windows the main window opens beside itself: Find, its results over
// every day, a player's record and About, and the way back from a hit to
// the replay.

#include <QComboBox>
#include <QPushButton>

#include "app/about_dialog.h"
#include "app/background_loader.h"
#include "app/find_all_window.h"
#include "app/main_window.h"
#include "app/player_record_window.h"
#include "ingest/open_file.h"
#include "history/window_replay.h"
#include "platform/dialogs.h"
#include "platform/log_folder_setting.h"
#include "replay/viewer_state.h"

namespace zelkam {

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
    results->keepSizeIn(services_.setting);
    connect(results, &FindAllWindow::hitActivated, this, &MainWindow::standAfter);
    if (servers_.community) {
        // Every server of the community is searched: the rows stay good
        // while the viewer moves between its servers, not when another
        // folder is opened.
        const std::string searched = logFolder;
        connect(this, &MainWindow::folderChanged, results, [this, results, searched] {
            if (logFolder != searched)
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

void MainWindow::standAfter(const HistoryHit& hit)
{
    // A hit on another server of the community is read there.
    if (servers_.community && !hit.server.empty() && hit.server != servers_.servers[static_cast<std::size_t>(shownServer_)].name) {
        if (const ServerFolder* server = servers_.find(hit.server)) {
            shownServer_ = static_cast<int>(server - servers_.servers.data());
            serverFolder_ = utf8FromPath(server->path);
            serverSelector_->setCurrentIndex(shownServer_);
            services_.setting.writeServer(server->name);
            const auto job = [hit](ViewerState& state) {
                return standAfterHit(state, hit) || (!state.isEmptyDay() && state.dayStart() == hit.day);
            };
            loader_->withFolder(serverFolder_, job, true, [this](bool) {
                fillDateList();
                refreshViews();
                emit folderChanged();
            });
            return;
        }
    }
    // The hit's day is read on the loader's thread, as a day chosen in the
    // date selector is. Shown once it is loaded, standing after the hit, or
    // at its start when the hit is not in it any more; the shown day stays
    // when the hit's day cannot be loaded (gone since the search).
    const auto job = [hit](ViewerState& state) {
        return standAfterHit(state, hit) || (!state.isEmptyDay() && state.dayStart() == hit.day);
    };
    loader_->withFolder(serverFolder_, job, false, [this](bool) { refreshViews(); });
}

void MainWindow::openPlayerRecord(const PlayerEntry& player)
{
    openPlayerRecord(RecordSubject{player.name ? player.name : "", player.uniqueId ? player.uniqueId : "", player.userId});
}

void MainWindow::openPlayerRecord(const RecordSubject& subject)
{
    auto* record = new PlayerRecordWindow(state_, subject, serverFolder_, this);
    record->keepSizeIn(services_.setting);
    connect(record, &PlayerRecordWindow::lineActivated, this, &MainWindow::standAfter);
    connect(this, &MainWindow::folderChanged, record, &PlayerRecordWindow::forgetFolder);
    record->show();
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
