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

QString AboutDialog::linkFor(int id)
{
    switch (id) {
    case 1019:
        return QStringLiteral("mailto:zelkam@example.org");
    case 1014:
        return QStringLiteral("https://owls.example.org/");
    case 1015:
        return QStringLiteral("https://wrens.example.org/");
    case 1016:
        return QStringLiteral("https://rooks.example.org/");
    case 1017:
        return QStringLiteral("https://kites.example.org/");
    case 1018:
        return QStringLiteral("https://larks.example.org/");
    default:
        return {};
    }
}

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
    ui_->id1003->setPixmap(programIcon().pixmap(32, 32));
    ui_->id1002->setText(QString::fromLatin1(ProgramTitle));
    fitLabelsToDialog(*this);
    connect(ui_->id1, &QPushButton::clicked, this, &QDialog::accept);
    const struct {
        LinkLabel* label;
        int id;
    } labels[] = {{ui_->id1019, 1019}, {ui_->id1014, 1014}, {ui_->id1015, 1015},
                  {ui_->id1016, 1016}, {ui_->id1017, 1017}, {ui_->id1018, 1018}};
    for (const auto& entry : labels) {
        const QString link = linkFor(entry.id);
        connect(entry.label, &LinkLabel::clicked, this, [&links, link] { links.open(link); });
    }
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

} // namespace zelkam
