#pragma once

#include <QAbstractButton>

namespace zelkam {

// A clickable text drawn blue and underlined at its top-left corner, with
// no button frame and no focus rectangle. It takes the focus like a button
// (Tab, then Space presses it).
class LinkLabel : public QAbstractButton {
    Q_OBJECT

public:
    explicit LinkLabel(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace zelkam
