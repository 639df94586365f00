#pragma once

#include <QObject>

class QWidget;

namespace zelkam {

class SettingsStore;

// The one way a window keeps its size and place between runs. A window
// holds one as a member, named for the window ("Find All Window"); keepIn
// gives the window what the store keeps under that name (the rule is
// SettingsStore::readWindowPlace) and from then on the window's close, and
// its going without one (the program ending with it open), write what it
// has then. A window never given a store keeps nothing.
class WindowPlace : public QObject {
public:
    // windowName must live as long as this (a literal); window owns this.
    WindowPlace(QWidget& window, const char* windowName);
    ~WindowPlace() override;
    WindowPlace(const WindowPlace&) = delete;
    WindowPlace& operator=(const WindowPlace&) = delete;

    // store must outlive the window.
    void keepIn(const SettingsStore& store);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void write() const;

    QWidget& window_;
    const char* windowName_;
    const SettingsStore* store_ = nullptr;
};

} // namespace zelkam
