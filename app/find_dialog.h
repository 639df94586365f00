#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QDialog>

#include "replay/viewer_state.h"

namespace Ui {
class FindDialog;
}

namespace zelkam {

// What a Find dialog asks of the main window: search on (FindNext, with
// the kind, the pattern it stored and the case flag), or it has closed
// (DialogTerm).
struct FindRequest {
    enum Flag : unsigned { MatchCase = 4, FindNext = 8, DialogTerm = 0x40 };
    unsigned flags = 0;
    SearchKind kind = SearchKind::Player;
};

// The modeless Find dialog: a text of at most 31 characters, the four
// search kinds, "Match &case", "&Find Next", "Cancel" and "Find &All". It
// opens with the kind and case it is given: the caller hands it those of
// the last search, so that a search is repeated as it was made.
//
// The pattern lives with the caller so that it outlives the dialog: it is
// shown at opening and replaced by the field's text at each "&Find Next".
// Closing the dialog in any way (Cancel, Escape, the close box) sends one
// DialogTerm request; the receiver deletes the dialog then.
class FindDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int MaxPatternLength = 31;

    FindDialog(std::string& pattern, QWidget* owner, SearchKind kind = SearchKind::Player, bool matchCase = false);
    ~FindDialog() override;

    SearchKind searchKind() const { return kind_; }

signals:
    void findRequested(zelkam::FindRequest request);
    // "Find &All": search every day for the pattern (stored first), with the
    // request's kind and case flag.
    void findAllRequested(zelkam::FindRequest request);

protected:
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void findNext();
    void findAll();
    void terminate();

    std::unique_ptr<Ui::FindDialog> ui_;
    std::string& pattern_;
    SearchKind kind_ = SearchKind::Player;
    bool terminated_ = false;
};

} // namespace zelkam
