#include "app/player_record_window.h"

#include <memory>

#include <QLabel>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/copy_lines.h"
#include "app/server_column.h"
#include "investigate/investigate_text.h"
#include "platform/log_text.h"
#include "text/text_encoding.h"
#include "views/display_text.h"

// The player record's Timeline and Linked accounts tabs: the investigation
// of the player over every day, read on their own worker beside the record.

namespace zelkam {

void PlayerRecordWindow::startInvestigation(const std::string& folderPath, const std::vector<ServerFolder>& servers)
{
    auto* timelinePage = new QWidget(tabs_);
    auto* timelineLayout = new QVBoxLayout(timelinePage);
    timelineLabel_ = new QLabel(QStringLiteral("Every day: searching..."), timelinePage);
    timelineLabel_->setTextFormat(Qt::PlainText);
    timelineLayout->addWidget(timelineLabel_);
    timeline_ = new QTreeWidget(timelinePage);
    setUpLinesWithServer(*timeline_, QStringLiteral("Line"));
    timeline_->setRootIsDecorated(false);
    timeline_->setUniformRowHeights(true);
    showServerColumn(*timeline_, !servers.empty());
    copyClipboardLinesOnCtrlC(*timeline_);
    timelineLayout->addWidget(timeline_, 1);
    tabs_->addTab(timelinePage, QStringLiteral("Timeline"));
    // A double click or Return: the replay at that second on the line's
    // server, where what led up to the line and what followed it can be
    // watched.
    connect(timeline_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const std::size_t row = static_cast<std::size_t>(timeline_->indexOfTopLevelItem(item));
        if (row < entries_.size()) {
            const TimelineEntry& entry = entries_[row];
            emit secondActivated(entry.server.empty() ? shownServer_ : entry.server, entry.day, entry.time);
        }
    });

    auto* linksPage = new QWidget(tabs_);
    auto* linksLayout = new QVBoxLayout(linksPage);
    linksLabel_ = new QLabel(QStringLiteral("Every day: searching..."), linksPage);
    linksLabel_->setTextFormat(Qt::PlainText);
    linksLabel_->setWordWrap(true);
    linksLayout->addWidget(linksLabel_);
    links_ = new QTreeWidget(linksPage);
    links_->setHeaderHidden(true);
    copyClipboardLinesOnCtrlC(*links_);
    linksLayout->addWidget(links_, 1);
    tabs_->addTab(linksPage, QStringLiteral("Linked accounts"));

    // The validated id asks about every account's sessions; an id many
    // share would ask about strangers, so such a player is asked about by
    // the name the viewer shows.
    PlayerQuery query;
    query.byId = !isSharedUniqueId(subject_.uniqueId);
    query.text = query.byId ? subject_.uniqueId : subject_.name;
    query.matchCase = true;
    investigating_ = true;
    investigation_.start([this, folderPath, query, servers](const WindowWorker::Job& job) {
        // The lines past the most rows shown are only counted here, so that
        // a flooded day's million lines are never posted to the window.
        ShownRows posted;
        const auto showDay = [this, &job, &posted](TimelineDay&& day) {
            auto shown = std::make_shared<TimelineDay>(std::move(day));
            const std::size_t kept = posted.takeSome(shown->entries.size());
            shown->entries.erase(shown->entries.begin() + static_cast<std::ptrdiff_t>(kept), shown->entries.end());
            const std::size_t linesSoFar = posted.shown() + posted.leftOut();
            job.post([this, shown, linesSoFar] { showTimelineDay(*shown, linesSoFar); });
        };
        auto linked = std::make_shared<LinkedAccounts>();
        bool complete = false;
        CutShortFiles cutShort;
        if (!servers.empty()) {
            // The player wherever he played: his lines on every server, and
            // his other accounts wherever he used them.
            std::vector<ServerDays> opened;
            if (openServers(servers, job.stopFlag(), opened)) {
                // The timeline narrows the days it walks: a copy of its own.
                std::vector<ServerDays> walked = opened;
                complete = collectTimeline(walked, query, DayRange(), job.stopFlag(), showDay) &&
                           collectLinkedAccounts(opened, query, job.stopFlag(), *linked);
                cutShort = eitherCutShort(cutShortOf(walked), cutShortOf(opened));
            }
        } else {
            FolderDays folder;
            if (!folder.scan(folderPath)) {
                job.post([this] { showLinkedAccounts(false, CutShortFiles(), ShownRows()); });
                return;
            }
            collectTimeline(folder, query, DayRange(), job.stopFlag(), showDay);
            const CutShortFiles timelineCutShort = cutShortOf(folder.filesCutShort);
            complete = !job.stopRequested() && collectLinkedAccounts(folder, query, job.stopFlag(), *linked);
            cutShort = eitherCutShort(timelineCutShort, cutShortOf(folder.filesCutShort));
        }
        job.post([this, linked, complete, cutShort, posted] {
            linked_ = std::move(*linked);
            showLinkedAccounts(complete, cutShort, posted);
        });
    });
}

void PlayerRecordWindow::showTimelineDay(const TimelineDay& day, std::size_t linesSoFar)
{
    for (const TimelineEntry& entry : day.entries) {
        auto* item = new QTreeWidgetItem(timeline_);
        showTimelineLine(*item, entry);
        entries_.push_back(entry);
    }
    timelineLabel_->setText(QStringLiteral("Every day: %1 lines so far...").arg(linesSoFar));
}

void PlayerRecordWindow::showTimelineLine(QTreeWidgetItem& item, const TimelineEntry& entry)
{
    item.setText(0, QString::fromStdString(timelineLineText(entry, addresses_, appendIsolatedDisplayText)));
    item.setText(LinesServerColumn, QString::fromStdString(isolatedDisplayText(entry.server)));
    // Copied as zelkam-cli tells it: a community's server first.
    std::string line;
    if (!entry.server.empty()) {
        appendLogTextAsUtf8(line, entry.server);
        line += ' ';
    }
    setClipboardLine(item, line + timelineLineText(entry, addresses_, appendLogTextAsUtf8));
}

void PlayerRecordWindow::showLinkedAccounts(bool complete, const CutShortFiles& filesCutShort,
                                            const ShownRows& timelineRows)
{
    investigation_.wait();
    investigating_ = false;
    stopped_ = !complete;
    filesCutShort_ = filesCutShort;
    const std::size_t lines = timelineRows.shown() + timelineRows.leftOut();
    timelineLabel_->setText(
        (lines == 0 ? QStringLiteral("Every day: no line of this player")
                    : QStringLiteral("Every day: %1 lines").arg(lines) + timelineRows.leftOutText("timeline")
                          + QStringLiteral("; a double click or Return opens the replay there")) +
        (complete ? QString() : QStringLiteral(" (stopped before the last day)")) + cutShortNote());
    fillLinkedAccounts();
}

void PlayerRecordWindow::fillLinkedAccounts()
{
    links_->clear();
    const QString stopped = (stopped_ ? QStringLiteral(" (stopped before the last day)") : QString()) + cutShortNote();
    if (linked_.ownSessions == 0) {
        linksLabel_->setText(QStringLiteral("Every day: no session of this player") + stopped);
        return;
    }
    QString text = QString::fromStdString(linkedPlayerText(linked_, addresses_, appendIsolatedDisplayText));
    text += linked_.accounts.empty()
                ? QStringLiteral("\nNo other account shares an address or a name with this player.")
                : QStringLiteral("\n%1 other accounts share an address or a name, strongest evidence first.")
                      .arg(linked_.accounts.size());
    // Accounts and their evidence make rows for the first ones only: a
    // million bots from one address are a million linked accounts.
    ShownRows rows;
    for (const LinkedAccount& account : linked_.accounts) {
        if (!rows.take()) {
            rows.leaveOut(account.evidence.size());
            continue;
        }
        auto* item = new QTreeWidgetItem(links_);
        item->setText(0, QString::fromStdString(linkedAccountText(account, appendIsolatedDisplayText)));
        setClipboardLine(*item, linkedAccountText(account, appendLogTextAsUtf8));
        for (const LinkEvidence& evidence : account.evidence) {
            if (!rows.take())
                continue;
            auto* piece = new QTreeWidgetItem(item);
            piece->setText(0, QString::fromStdString(linkEvidenceText(evidence, addresses_, appendIsolatedDisplayText)));
            setClipboardLine(*piece, linkEvidenceText(evidence, addresses_, appendLogTextAsUtf8));
        }
    }
    links_->expandAll();
    if (rows.leftOut() != 0)
        text += QStringLiteral("\nThe first %1 rows are shown (zelkam-cli alts lists every one).").arg(rows.shown());
    linksLabel_->setText(text + stopped);
}

QString PlayerRecordWindow::cutShortNote() const
{
    return filesCutShort_.files == 0 ? QString() : QStringLiteral("\n") + filesCutShortText(filesCutShort_);
}

} // namespace zelkam
