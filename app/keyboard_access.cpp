#include "app/keyboard_access.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QSlider>

namespace zelkam {
namespace {

class WheelNeedsFocus : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel)
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        // An editable combobox keeps the focus in its edit field.
        const QWidget* focused = QApplication::focusWidget();
        if (focused != nullptr && (focused == widget || widget->isAncestorOf(focused)))
            return false;
        event->ignore();
        return true;
    }
};

class TrackbarKeys : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Left:
            action = QAbstractSlider::SliderSingleStepSub;
            break;
        case Qt::Key_Down:
        case Qt::Key_Right:
            action = QAbstractSlider::SliderSingleStepAdd;
            break;
        case Qt::Key_PageUp:
            action = QAbstractSlider::SliderPageStepSub;
            break;
        case Qt::Key_PageDown:
            action = QAbstractSlider::SliderPageStepAdd;
            break;
        default:
            return false;
        }
        static_cast<QSlider*>(watched)->triggerAction(action);
        return true;
    }
};

} // namespace

void acceptWheelOnlyWithFocus(QWidget* widget)
{
    widget->installEventFilter(new WheelNeedsFocus(widget));
}

void mapTrackbarKeys(QSlider* trackbar)
{
    trackbar->installEventFilter(new TrackbarKeys(trackbar));
}

} // namespace zelkam
