#pragma once

#include <QWidget>

#include "app/result_bar.h"
#include "app/window_worker.h"
#include "history/day_windows.h"
#include "ingest/server_folders.h"
#include "investigate/address_names.h"
#include "investigate/rcon_audit.h"
#include "platform/window_place.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QTreeWidget;

namespace zelkam {

// The admins' audit over every day of the folder, as `zelkam-cli audit`
// tells it: an item for each address the remote console was used from, in
// order of its first command, with its commands in time order (passwords
// hidden, the players each acted on), and the warnings below. On a
// community, of every server: each command names its server in a last
// Server column, and a warning of one server starts with its name.
// Collected on a reader of its own. Addresses show as addresses shows them. Not modal;
// Escape closes it. Once keepPlaceIn is called it opens at the size and
// place the last one was left at.
class AdminLogWindow : public QWidget {
    Q_OBJECT

public:
    AdminLogWindow(const AddressNames& addresses, QWidget* owner);

    // Collects the audit of folder's days, dropping what was shown; on a
    // community (servers not empty), of every server's days instead.
    void start(const FolderDays& folder, const std::vector<ServerFolder>& servers = {});
    // The viewer went to another folder: the audit is dropped.
    void forgetFolder();
    // Shows every address anew, as addresses shows them.
    void showAddressesAs(const AddressNames& addresses);
    // As FindAllWindow::keepPlaceIn, under its own name.
    void keepPlaceIn(const SettingsStore& store) { place_.keepIn(store); }

    bool isCollecting() const { return collecting_; }
    QTreeWidget* addressTree() const { return addresses_; }
    QListWidget* warningList() const { return warnings_; }
    QLabel* statusLabel() const { return status_; }

private:
    // filesCutShort: how many files the walk could not read to their end.
    void showAudit(bool complete, const CutShortFiles& filesCutShort);
    void fillAudit();

    AddressNames names_;
    RconAudit audit_;
    bool complete_ = true;
    CutShortFiles filesCutShort_;
    QLabel* status_ = nullptr;
    QTreeWidget* addresses_ = nullptr;
    QListWidget* warnings_ = nullptr;
    QProgressBar* progress_ = nullptr;
    bool collecting_ = false;
    WindowPlace place_{*this, "Admin Log Window"};
    // Last, so that it stops and waits for the collection first.
    WindowWorker worker_{*this};
};

} // namespace zelkam
