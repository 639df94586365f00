#pragma once

#include <functional>

#include <QImage>
#include <QString>
#include <QWidget>

#include "platform/window_place.h"
#include "views/overview_painter.h"
#include "state/overview_series.h"

class QPushButton;

namespace zelkam {

class SettingsStore;
class ViewerState;

// The plot itself: paints the day through the overview painter, shows a
// minute's numbers on hover, and turns a click, a drag and the arrow and
// Page keys into a minute to seek to.
class OverviewPlot : public QWidget {
    Q_OBJECT

public:
    explicit OverviewPlot(QWidget* parent);

    OverviewPainter& painter() { return painter_; }
    const OverviewPainter& painter() const { return painter_; }

    // The plot as an image of the widget's size times scale, for saving and
    // copying; at scale 2 the text is drawn at twice the resolution, not
    // blown up.
    QImage render(qreal scale) const;

signals:
    // The user picked a minute: a click, a drag, or a key from the cursor.
    // code is the time bar's notification code the move stands for.
    void minuteChosen(int code, int minute);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void chooseAt(int x);

    OverviewPainter painter_;
    bool dragging_ = false;
    int lastChosen_ = -1;
};

// "Day Overview": the activity plot of the day the main window shows, in a
// resizable window of its own that is not modal. It follows the main
// window (refresh after every publish): a new day or a day that grew gets
// a new series, otherwise only the cursor moves. Once keepPlaceIn is called
// it opens at the size and place the last one was left at.
class DayOverviewWindow : public QWidget {
    Q_OBJECT

public:
    // seek is how a chosen minute reaches the main window, with the time
    // bar's notification code.
    DayOverviewWindow(const ViewerState& state, std::function<void(int code, int minute)> seek, QWidget* parent);
    ~DayOverviewWindow() override;

    // As FindAllWindow::keepPlaceIn, under its own name.
    void keepPlaceIn(const SettingsStore& store) { place_.keepIn(store); }

    // Brings the plot up to date with the state's published view.
    void refresh();

    const DayOverview& series() const { return series_; }
    OverviewPlot* plot() const { return plot_; }

    // Asks where to save the image; an empty answer cancels, a name without
    // a suffix gets ".png". The desktop's file dialog unless replaced (the
    // tests answer it themselves).
    std::function<QString(QWidget* parent)> askSavePath;

    // The file name Save offers: the day shown
    // ("zelkam-overview-06-07-2001.png").
    QString offeredName() const;
    // Writes the plot as PNG at scale 1 or 2; false when it cannot be written.
    bool saveImage(const QString& path, qreal scale) const;
    void copyImage() const;

private:
    void saveWithDialog(qreal scale);

    const ViewerState& state_;
    DayOverview series_;
    // What the series was made from, to notice a new day or a grown one.
    bool seriesEmptyDay_ = true;
    std::size_t seriesLastEvent_ = 0;
    bool haveSeries_ = false;
    OverviewPlot* plot_ = nullptr;
    WindowPlace place_{*this, "Day Overview Window"};
};

} // namespace zelkam
