#pragma once

#include <deque>
#include <string>
#include <vector>

#include <QApplication>
#include <QString>
#include <QTimer>
#include <functional>

#include "app/main_window.h"
#include "platform/dialogs.h"

namespace zelkam::test {

// Answers the folder browser from a script: each call takes the next
// answer, an empty one meaning Cancel.
class ScriptedFolderBrowser : public FolderBrowser {
public:
    bool browse(QWidget*, std::string& folder) override
    {
        ++calls;
        startedIn.push_back(folder);
        folder.clear();
        if (answers.empty() || answers.front().empty()) {
            if (!answers.empty())
                answers.pop_front();
            return false;
        }
        folder = answers.front();
        answers.pop_front();
        return true;
    }

    std::deque<std::string> answers;
    int calls = 0;
    // The folder each browse started in.
    std::vector<std::string> startedIn;
};

class RecordingMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        QWidget* owner;
        QString caption;
        QString text;
        MessageIcon icon;
    };
    void show(QWidget* owner, const QString& caption, const QString& text, MessageIcon icon) override
    {
        shown.push_back(Shown{owner, caption, text, icon});
    }

    std::vector<Shown> shown;
};

class RecordingLinkOpener : public LinkOpener {
public:
    void open(const QString& link) override { opened.push_back(link); }

    std::vector<QString> opened;
};

// Once the viewer that runViewer starts has loaded its first folder (the
// load runs off the window's thread), calls seen with it and closes it.
inline void closeViewerWhenLoaded(std::function<void(MainWindow&)> seen = {})
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, seen] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<MainWindow*>(top);
            if (window == nullptr || window->isLoading() || !window->isVisible())
                continue;
            poll->stop();
            poll->deleteLater();
            if (seen)
                seen(*window);
            window->close();
        }
    });
    poll->start(20);
}

} // namespace zelkam::test
