#include "app/report_range_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace zelkam {
namespace {

constexpr int LastSecond = 24 * 60 * 60 - 1;

QTimeEdit* makeTimeEdit(int second, QWidget* owner)
{
    auto* edit = new QTimeEdit(QTime(0, 0).addSecs(std::clamp(second, 0, LastSecond)), owner);
    edit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    return edit;
}

} // namespace

ReportRangeDialog::ReportRangeDialog(int offeredFrom, int offeredTo, QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Save Report"));
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(QStringLiteral("A page about the shown day, addresses hidden:"), this);
    layout->addWidget(note);
    auto* form = new QFormLayout;
    from_ = makeTimeEdit(offeredFrom, this);
    to_ = makeTimeEdit(offeredTo, this);
    form->addRow(QStringLiteral("&From:"), from_);
    form->addRow(QStringLiteral("&To:"), to_);
    layout->addLayout(form);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto check = [this] { buttons_->button(QDialogButtonBox::Ok)->setEnabled(fromSecond() <= toSecond()); };
    connect(from_, &QTimeEdit::timeChanged, this, check);
    connect(to_, &QTimeEdit::timeChanged, this, check);
    check();
}

int ReportRangeDialog::fromSecond() const { return QTime(0, 0).secsTo(from_->time()); }

int ReportRangeDialog::toSecond() const { return QTime(0, 0).secsTo(to_->time()); }

} // namespace zelkam
