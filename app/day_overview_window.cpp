#include "app/day_overview_window.h"

#include <algorithm>
#include <string_view>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "app/clock_text.h"
#include "app/main_window.h"
#include "app/save_name.h"
#include "platform/qpainter_canvas.h"
#include "replay/day_overview.h"
#include "replay/viewer_state.h"

namespace zelkam {
namespace {

constexpr int PageMinutes = 15;

// A tooltip is rich text whenever Qt guesses so; log text must never be
// read as markup, so the text is escaped and the lines broken explicitly.
QString plainTooltip(const std::string& utf8)
{
    QString html = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toHtmlEscaped();
    html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return QStringLiteral("<p style='white-space:pre'>") + html + QStringLiteral("</p>");
}

} // namespace

OverviewPlot::OverviewPlot(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("overviewPlot"));
    setMinimumSize(OverviewPainter::MinimumWidth, OverviewPainter::MinimumHeight);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
}

QImage OverviewPlot::render(qreal scale) const
{
    QImage image(size() * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    QPainterCanvas canvas(painter);
    painter_.paint(canvas, width(), height());
    return image;
}

void OverviewPlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPainterCanvas canvas(painter);
    painter_.paint(canvas, width(), height());
}

void OverviewPlot::chooseAt(int x)
{
    const int minute = painter_.minuteAt(x, width());
    if (minute == lastChosen_ && dragging_)
        return;
    lastChosen_ = minute;
    emit minuteChosen(MainWindow::ThumbPosition, minute);
}

void OverviewPlot::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !painter_.series()) {
        QWidget::mousePressEvent(event);
        return;
    }
    dragging_ = false;
    chooseAt(event->position().toPoint().x());
    dragging_ = true;
}

void OverviewPlot::mouseMoveEvent(QMouseEvent* event)
{
    // A drag seeks as it goes, one seek per minute passed.
    if (dragging_ && (event->buttons() & Qt::LeftButton))
        chooseAt(event->position().toPoint().x());
}

void OverviewPlot::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
}

void OverviewPlot::keyPressEvent(QKeyEvent* event)
{
    const DayOverview* series = painter_.series();
    if (!series || series->minutes.empty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    // The keys step from the replayed minute, as the time bar's keys step
    // from its thumb.
    int step = 0;
    int code = 0;
    switch (event->key()) {
    // The time bar's way: Up and Page Up are earlier, Down and Page Down
    // later.
    case Qt::Key_Left:
    case Qt::Key_Up:
        step = -1;
        code = MainWindow::LineUp;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        step = 1;
        code = MainWindow::LineDown;
        break;
    case Qt::Key_PageUp:
        step = -PageMinutes;
        code = MainWindow::PageUp;
        break;
    case Qt::Key_PageDown:
        step = PageMinutes;
        code = MainWindow::PageDown;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    const int last = static_cast<int>(series->minutes.size()) - 1;
    const int from = std::clamp(painter_.cursorMinute(), 0, last);
    emit minuteChosen(code, std::clamp(from + step, 0, last));
}

bool OverviewPlot::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int x = help->pos().x();
        const std::string text = painter_.tooltip(painter_.minuteAt(x, width()), painter_.rconsNear(x, width()));
        if (text.empty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), plainTooltip(text), this);
        return true;
    }
    return QWidget::event(event);
}

DayOverviewWindow::DayOverviewWindow(const ViewerState& state, std::function<void(int code, int minute)> seek,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state)
{
    setObjectName(QStringLiteral("dayOverview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Day Overview"));

    plot_ = new OverviewPlot(this);
    connect(plot_, &OverviewPlot::minuteChosen, this, [seek = std::move(seek)](int code, int minute) {
        if (seek)
            seek(code, minute);
    });
    auto* save = new QPushButton(QStringLiteral("Save Image..."), this);
    save->setObjectName(QStringLiteral("saveImage"));
    auto* saveDouble = new QPushButton(QStringLiteral("Save Image at 2x..."), this);
    saveDouble->setObjectName(QStringLiteral("saveImage2x"));
    auto* copy = new QPushButton(QStringLiteral("Copy"), this);
    copy->setObjectName(QStringLiteral("copyImage"));
    for (QPushButton* button : {save, saveDouble, copy}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
    }
    connect(save, &QPushButton::clicked, this, [this] { saveWithDialog(1); });
    connect(saveDouble, &QPushButton::clicked, this, [this] { saveWithDialog(2); });
    connect(copy, &QPushButton::clicked, this, [this] { copyImage(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(saveDouble);
    buttons->addWidget(copy);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(plot_, 1);
    layout->addLayout(buttons);

    askSavePath = [this](QWidget* owner) {
        return askSaveFileName(owner, QStringLiteral("Save Image"), offeredName(), QStringLiteral("PNG images (*.png)"),
                               QStringLiteral("png"));
    };

    resize(900, 320);
    plot_->setFocus();
    refresh();
}

DayOverviewWindow::~DayOverviewWindow() = default;

void DayOverviewWindow::refresh()
{
    // A day load, a folder load and a growing day all change what the day
    // window holds; a series of a different window is made again, since its
    // map names and counts would be stale.
    const bool empty = state_.isEmptyDay();
    const std::size_t eventCount = empty ? 0 : state_.events().size();
    if (!haveSeries_ || empty != seriesEmptyDay_ || state_.dayStart() != series_.dayStart
        || eventCount != series_.eventCount || state_.lastEvent() != seriesLastEvent_) {
        series_ = computeDayOverview(state_);
        seriesEmptyDay_ = empty;
        seriesLastEvent_ = state_.lastEvent();
        haveSeries_ = true;
        plot_->painter().setSeries(&series_);
        // Without a loaded day the title names none, as the date box does.
        setWindowTitle(empty ? QStringLiteral("Day Overview")
                             : QStringLiteral("Day Overview - ") + QString::fromStdString(localDateText(series_.dayStart)));
    }
    plot_->painter().setCursorMinute(state_.viewMinute());
    plot_->update();
}

QString DayOverviewWindow::offeredName() const
{
    QStringList parts;
    if (!seriesEmptyDay_)
        parts << QString::fromStdString(localDateText(series_.dayStart));
    return offeredFileName(QStringLiteral("overview"), parts, QStringLiteral("png"));
}

bool DayOverviewWindow::saveImage(const QString& path, qreal scale) const
{
    // Made whole in memory first, then saved as every chosen file is.
    QByteArray png;
    QBuffer buffer(&png);
    return buffer.open(QIODevice::WriteOnly) && plot_->render(scale).save(&buffer, "PNG")
           && saveWhole(path, std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
}

void DayOverviewWindow::copyImage() const
{
    QApplication::clipboard()->setImage(plot_->render(1));
}

void DayOverviewWindow::saveWithDialog(qreal scale)
{
    const QString path = withDefaultSuffix(askSavePath ? askSavePath(this) : QString(), QStringLiteral("png"));
    if (path.isEmpty())
        return;
    if (!saveImage(path, scale))
        QMessageBox::warning(this, QStringLiteral("Save Image"),
                             QStringLiteral("Couldn't write the image to\n") + QDir::toNativeSeparators(path));
}

} // namespace zelkam
