#include "app/find_dialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "app/dialog_units.h"
#include "ui_find.h"

namespace zelkam {

FindDialog::FindDialog(std::string& pattern, QWidget* owner, SearchKind kind, bool matchCase)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      ui_(new Ui::FindDialog), pattern_(pattern)
{
    setFont(dialogFont());
    ui_->setupUi(this);
    setFixedSize(size());
    fitLabelsToDialog(*this);
    // The group box only frames the radio buttons; it must not cover them.
    ui_->searchForGroup->lower();

    ui_->patternEdit->setText(QString::fromUtf8(pattern_.data(), static_cast<qsizetype>(pattern_.size())));
    ui_->patternEdit->selectAll();
    ui_->matchCaseBox->setChecked(matchCase);

    // The platform's Find dialog offers "Find Next" only with a text to find.
    const auto enableFindNext = [this] {
        ui_->findNextButton->setEnabled(!ui_->patternEdit->text().isEmpty());
        ui_->findAllButton->setEnabled(!ui_->patternEdit->text().isEmpty());
    };
    connect(ui_->patternEdit, &QLineEdit::textChanged, this, enableFindNext);
    enableFindNext();

    const struct {
        QRadioButton* button;
        SearchKind kind;
    } kinds[] = {{ui_->playerKindButton, SearchKind::Player},
                 {ui_->chatKindButton, SearchKind::Chat},
                 {ui_->rconUserKindButton, SearchKind::RconUser},
                 {ui_->rconCommandKindButton, SearchKind::RconCmd}};
    kind_ = SearchKind::Player;
    ui_->playerKindButton->setChecked(true);
    for (const auto& entry : kinds) {
        if (entry.kind == kind) {
            entry.button->setChecked(true);
            kind_ = kind;
        }
        connect(entry.button, &QRadioButton::clicked, this, [this, kind = entry.kind] { kind_ = kind; });
    }
    connect(ui_->findNextButton, &QPushButton::clicked, this, &FindDialog::findNext);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &FindDialog::close);
    connect(ui_->findAllButton, &QPushButton::clicked, this, &FindDialog::findAll);

    if (const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

FindDialog::~FindDialog() = default;

void FindDialog::findNext()
{
    const QByteArray text = ui_->patternEdit->text().toUtf8();
    pattern_.assign(text.constData(), static_cast<std::size_t>(text.size()));
    FindRequest request;
    request.flags = FindRequest::FindNext | (ui_->matchCaseBox->isChecked() ? FindRequest::MatchCase : 0u);
    request.kind = kind_;
    emit findRequested(request);
}

void FindDialog::findAll()
{
    const QByteArray text = ui_->patternEdit->text().toUtf8();
    pattern_.assign(text.constData(), static_cast<std::size_t>(text.size()));
    FindRequest request;
    request.flags = ui_->matchCaseBox->isChecked() ? FindRequest::MatchCase : 0u;
    request.kind = kind_;
    emit findAllRequested(request);
}

void FindDialog::terminate()
{
    if (terminated_)
        return;
    terminated_ = true;
    FindRequest request;
    request.flags = FindRequest::DialogTerm | (ui_->matchCaseBox->isChecked() ? FindRequest::MatchCase : 0u);
    request.kind = kind_;
    emit findRequested(request);
}

void FindDialog::closeEvent(QCloseEvent* event)
{
    terminate();
    QDialog::closeEvent(event);
}

void FindDialog::done(int result)
{
    // Escape ends up here; it closes the dialog like Cancel.
    terminate();
    QDialog::done(result);
}

} // namespace zelkam
