#pragma once

#include <deque>
#include <string>
#include <vector>

#include <QString>

#include "platform/dialogs.h"

namespace zelkam::test {

// Answers the folder browser from a script: each call takes the next
// answer, an empty one meaning Cancel.
class ScriptedFolderBrowser : public FolderBrowser {
public:
    bool browse(QWidget*, std::string& folder) override
    {
        ++calls;
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

} // namespace zelkam::test
