#include "app/about_dialog.h"

#include <QCloseEvent>
#include <QIcon>

#include "app/dialog_units.h"
#include "app/link_label.h"
#include "app/program_icon.h"
#include "app/version.h"
#include "platform/dialogs.h"
#include "ui_about.h"

namespace zelkam {

AboutDialog::AboutDialog(LinkOpener& links, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), ui_(new Ui::AboutDialog)
{
    setFont(dialogFont());
    ui_->setupUi(this);
    setFixedSize(size());
    // Placed like the template: 90, 120 dialog units from the owner's
    // client corner.
    if (owner != nullptr)
        move(owner->mapToGlobal(QPoint(dialogUnitsX(90), dialogUnitsY(120))));
    ui_->iconLabel->setPixmap(programIcon().pixmap(32, 32));
    ui_->titleLabel->setText(QString::fromLatin1(ProgramTitle));
    fitLabelsToDialog(*this);
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    const struct {
        LinkLabel* label;
        const char* link;
    } labels[] = {
        {ui_->writeToUsLink, "mailto:zelkam@example.org"}, {ui_->owlsLink, "https://owls.example.org/"},
        {ui_->wrensLink, "https://wrens.example.org/"},    {ui_->rooksLink, "https://rooks.example.org/"},
        {ui_->kitesLink, "https://kites.example.org/"},    {ui_->larksLink, "https://larks.example.org/"},
    };
    for (const auto& entry : labels) {
        const QString link = QString::fromLatin1(entry.link);
        connect(entry.label, &LinkLabel::clicked, this, [&links, link] { links.open(link); });
    }
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

} // namespace zelkam
