#include "app/admin_log_window.h"

#include <memory>

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/copy_lines.h"
#include "app/result_bar.h"
#include "app/shown_rows.h"
#include "app/server_column.h"
#include "investigate/investigate_text.h"
#include "text/text_encoding.h"
#include "views/display_text.h"

namespace zelkam {
namespace {

// The commands' server column.

// A line as copied: a community's server first, as zelkam-cli tells it.
std::string copiedLine(const std::string& server, const std::string& line)
{
    std::string copied;
    if (!server.empty()) {
        appendLogTextAsUtf8(copied, server);
        copied += ' ';
    }
    return copied + line;
}

} // namespace

AdminLogWindow::AdminLogWindow(const AddressNames& addresses, QWidget* owner)
    : QWidget(owner, Qt::Window), names_(addresses)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Admin Log"));
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    layout->addWidget(status_);
    addresses_ = new QTreeWidget(this);
    setUpLinesWithServer(*addresses_, QStringLiteral("Address and commands"));
    copyClipboardLinesOnCtrlC(*addresses_);
    layout->addWidget(addresses_, 3);
    auto* warningsTitle = new QLabel(QStringLiteral("Warnings:"), this);
    layout->addWidget(warningsTitle);
    warnings_ = new QListWidget(this);
    copyClipboardLinesOnCtrlC(*warnings_);
    layout->addWidget(warnings_, 1);
    progress_ = new QProgressBar(this);
    layout->addWidget(progress_);
    resize(640, 480);
}

void AdminLogWindow::start(const FolderDays& folder, const std::vector<ServerFolder>& servers)
{
    showServerColumn(*addresses_, !servers.empty());
    addresses_->clear();
    warnings_->clear();
    status_->setText(QStringLiteral("Every day: collecting the remote-console commands..."));
    progress_->setRange(0, 0);
    collecting_ = true;
    auto days = std::make_shared<FolderDays>();
    days->assign(folder.files, folder.days);
    worker_.start([this, days, servers](const WindowWorker::Job& job) {
        auto audit = std::make_shared<RconAudit>();
        bool complete = false;
        CutShortFiles cutShort;
        if (!servers.empty()) {
            // Every server in one walk: an address's commands and attempts
            // on any of them are one group.
            std::vector<ServerDays> opened;
            complete = openServers(servers, job.stopFlag(), opened) &&
                       collectRconAudit(opened, DayRange(), job.stopFlag(), *audit);
            cutShort = cutShortOf(opened);
        } else {
            complete = collectRconAudit(*days, DayRange(), job.stopFlag(), *audit);
            cutShort = cutShortOf(days->filesCutShort);
        }
        job.post([this, audit, complete, cutShort] {
            audit_ = std::move(*audit);
            showAudit(complete, cutShort);
        });
    });
}

void AdminLogWindow::forgetFolder()
{
    worker_.cancel();
    collecting_ = false;
    audit_ = RconAudit();
    addresses_->clear();
    warnings_->clear();
    progress_->setRange(0, 1);
    progress_->setValue(0);
    status_->setText(QStringLiteral("The log folder changed: this audit was of the folder shown before"));
}

void AdminLogWindow::showAudit(bool complete, const CutShortFiles& filesCutShort)
{
    worker_.wait();
    collecting_ = false;
    complete_ = complete;
    filesCutShort_ = filesCutShort;
    progress_->setRange(0, 1);
    progress_->setValue(1);
    fillAudit();
}

void AdminLogWindow::showAddressesAs(const AddressNames& addresses)
{
    names_ = addresses;
    if (!collecting_ && !audit_.addresses.empty())
        fillAudit();
}

void AdminLogWindow::fillAudit()
{
    addresses_->clear();
    warnings_->clear();
    std::size_t commands = 0;
    // The addresses and their commands, and the warnings, make rows for the
    // first ones only (see shown_rows.h): a password guessed a million
    // times is a million attempts.
    ShownRows rows;
    for (const AddressAudit& address : audit_.addresses) {
        commands += address.commands.size();
        if (!rows.take()) {
            rows.leaveOut(address.commands.size());
            continue;
        }
        auto* item = new QTreeWidgetItem(addresses_);
        item->setText(0, QString::fromStdString(auditAddressText(address, names_)));
        setClipboardLine(*item, auditAddressText(address, names_));
        for (const AuditCommand& command : address.commands) {
            if (!rows.take())
                continue;
            auto* line = new QTreeWidgetItem(item);
            line->setText(0, QString::fromStdString(auditCommandText(command, names_, appendIsolatedDisplayText)));
            line->setText(LinesServerColumn, QString::fromStdString(isolatedDisplayText(command.server)));
            setClipboardLine(*line, copiedLine(command.server, auditCommandText(command, names_, appendLogTextAsUtf8)));
        }
    }
    addresses_->expandAll();
    ShownRows warningRows;
    for (const AuditWarning& warning : audit_.warnings) {
        if (!warningRows.take())
            continue;
        // A warning of one server of a community starts with its name.
        std::string shown;
        if (!warning.server.empty()) {
            appendIsolatedDisplayText(shown, warning.server);
            shown += ' ';
        }
        auto* item = new QListWidgetItem(
            QString::fromStdString(shown + auditWarningText(warning, names_, appendIsolatedDisplayText)));
        setClipboardLine(*item, copiedLine(warning.server, auditWarningText(warning, names_, appendLogTextAsUtf8)));
        warnings_->addItem(item);
    }
    QString text = audit_.addresses.empty()
                       ? QStringLiteral("Every day: no remote-console command")
                       : QStringLiteral("Every day: %1 commands and attempts from %2 addresses, %3 warnings")
                             .arg(commands)
                             .arg(audit_.addresses.size())
                             .arg(audit_.warnings.size());
    text += (rows.leftOut() != 0 ? rows : warningRows).leftOutText("audit");
    if (!complete_)
        text += QStringLiteral(" (stopped before the last day)");
    if (filesCutShort_.files != 0)
        text += QStringLiteral("; ") + filesCutShortText(filesCutShort_);
    status_->setText(text);
}

} // namespace zelkam
