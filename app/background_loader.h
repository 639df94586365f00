#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QObject>

#include "app/window_worker.h"

namespace zelkam {

class ViewerState;

// Folder scans and day loads take seconds on a big folder, so they run on a
// thread of their own, into a ViewerState of the loader's own, while the
// window goes on painting and playing the state it shows. The finished load
// is handed over complete, on the window's thread (ViewerState::takeOver of
// the shown state), and only then is done called there; nothing of it is
// visible before. A newer request supersedes an older one: a load that is
// running cannot be stopped half way, but its result is dropped and the
// newest request runs next; requests in between are never run.
class BackgroundLoader : public QObject {
    Q_OBJECT

public:
    // Work on the loader's state, on the loader's thread.
    using Job = std::function<bool(ViewerState& state)>;
    // Called on the thread that made the request, after the handover, with
    // the job's result.
    using Done = std::function<void(bool result)>;

    // shown is the state the window shows; it is only touched on the
    // window's thread, by the handover.
    explicit BackgroundLoader(ViewerState& shown, QObject* parent = nullptr);
    // Waits for a load that is still running; its result is dropped.
    ~BackgroundLoader() override;

    // Runs job; when it returns true (or always, with handOverFailure), the
    // loaded state is handed over to the shown one before done.
    void start(Job job, bool handOverFailure, Done done);
    // A folder load (scan and earliest day) of folder, handed over only
    // when the folder has logs.
    void loadFolder(const std::string& folder, Done done);
    // The day of folder, scanning the folder first unless the loader's state
    // holds it already. Handed over even when it fails (an empty day then),
    // as a day load on the shown state would leave it.
    void loadDay(const std::string& folder, std::int32_t day, Done done);
    // job on the loader's state once it holds folder (scanned first unless
    // it does already).
    void withFolder(const std::string& folder, Job job, bool handOverFailure, Done done);

    // True from a request until its done has been called (or dropped).
    bool isBusy() const { return running_ || pending_.has_value(); }

signals:
    // Emitted when the loader becomes busy and when it becomes idle again.
    void busyChanged(bool busy);

private:
    struct Request {
        Job job;
        bool handOverFailure = false;
        Done done;
        std::uint64_t generation = 0;
    };

    void runNext();
    void finished(std::uint64_t generation, bool result);

    ViewerState& shown_;
    std::unique_ptr<ViewerState> state_;
    // The folder the loader's state has scanned, and that of the shown
    // state when it came from here: a handover exchanges the two.
    std::string stateFolder_;
    std::string shownFolder_;
    WindowWorker worker_{*this};
    bool running_ = false;
    std::uint64_t newest_ = 0;
    std::optional<Request> pending_;
    Request runningRequest_;
};

} // namespace zelkam
