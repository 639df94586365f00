#pragma once

// The desktop's modal services, each behind a small interface so that the
// main window can be driven by tests that answer them. The folder browser
// and MessageBoxes::show run a nested event loop in which the main window's
// timer keeps firing; MessageBoxes::open runs none.

#include <string>

#include <QString>

class QWidget;

namespace zelkam {

class FolderBrowser {
public:
    virtual ~FolderBrowser() = default;
    // Asks for a folder, starting in folder (the one shown; empty for the
    // desktop's own choice). True when one was chosen: folder then holds its
    // full path, of any length. False when the user cancelled; folder is
    // then empty.
    virtual bool browse(QWidget* owner, std::string& folder) = 0;
};

enum class MessageIcon { Information, Error };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A box with exactly this caption and text, the icon and a single OK,
    // shown until the user closes it.
    virtual void show(QWidget* owner, const QString& caption, const QString& text, MessageIcon icon) = 0;
    // The same box, modal to its owner's window only, returning at once: the
    // rest of the program keeps running and painting while it is open.
    virtual void open(QWidget* owner, const QString& caption, const QString& text, MessageIcon icon)
    {
        show(owner, caption, text, icon);
    }
};

class LinkOpener {
public:
    virtual ~LinkOpener() = default;
    // Hands a web address or "mailto:" link to the desktop; failures are not
    // reported.
    virtual void open(const QString& link) = 0;
};

// The real ones.
class DesktopFolderBrowser : public FolderBrowser {
public:
    bool browse(QWidget* owner, std::string& folder) override;
};

class DesktopMessageBoxes : public MessageBoxes {
public:
    void show(QWidget* owner, const QString& caption, const QString& text, MessageIcon icon) override;
    void open(QWidget* owner, const QString& caption, const QString& text, MessageIcon icon) override;
};

class DesktopLinkOpener : public LinkOpener {
public:
    void open(const QString& link) override;
};

} // namespace zelkam
