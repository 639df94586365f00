#pragma once

#include <memory>

#include <QDialog>

namespace Ui {
class AboutDialog;
}

namespace zelkam {

class LinkOpener;

// The modal About box: program icon, title, credits and six link labels.
// Only "OK" ends it; Escape and the window's close request are ignored.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    AboutDialog(LinkOpener& links, QWidget* owner);
    ~AboutDialog() override;

    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::AboutDialog> ui_;
};

} // namespace zelkam
