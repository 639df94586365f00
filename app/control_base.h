#pragma once

#include <QFont>
#include <QPointer>
#include <QWidget>

namespace zelkam {

// The common part of the four controls the main window keeps as objects
// (player list, chat view, time label, date selector). Each object stands
// for one widget and is bound to a widget through its "this_pointer"
// property, so code that is only handed the widget finds the object.
//
// The object does not own its widget: widgets are children of the main
// window and go with it. The main window deletes the objects first.
class ControlBase {
public:
    ControlBase() = default;
    // Removes the binding this object made, so that a widget outliving its
    // object can never reach freed memory; the widget itself stays.
    virtual ~ControlBase();
    ControlBase(const ControlBase&) = delete;
    ControlBase& operator=(const ControlBase&) = delete;

    QWidget* window() const { return window_; }

    // Binds the object to its own widget, or to another one (the date
    // selector binds to its line edit, not to the combobox).
    void bindToWindow();
    void bindToWindow(QWidget* window);
    // The object bound to window, or null when it carries no binding.
    static ControlBase* fromWindow(const QObject* window);

    // Gives the widget the program-wide shared font.
    void applySharedFont();
    // Schedules a full repaint of the widget.
    void invalidate();

protected:
    QWidget* window_ = nullptr;

private:
    QPointer<QWidget> bound_;
};

// The font of the main window's standard children: Arial with a 15-pixel
// cell. createSharedFont makes it once; false when no usable face exists.
bool createSharedFont();
const QFont& sharedFont();

} // namespace zelkam
