#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QObject>

#include "app/window_worker.h"

namespace zelkam {

class LoadedDay;
class ViewerState;

// Folder scans and day loads take seconds on a big folder, so they run on a
// thread of their own, each into a LoadedDay made for it, while the window
// goes on painting and playing the state it shows. The finished day is
// handed over whole, on the window's thread (ViewerState::takeOver of the
// shown state), and only then is done called there; nothing of it is
// visible before. A newer request supersedes an older one: a load that is
// running cannot be stopped half way, but its result is dropped and the
// newest request runs next; requests in between are never run.
class BackgroundLoader : public QObject {
    Q_OBJECT

public:
    // Work on the request's own day, on the loader's thread.
    using Job = std::function<bool(LoadedDay& day)>;
    // Called on the thread that made the request, after the handover, with
    // the job's result.
    using Done = std::function<void(bool result)>;

    // shown is the state the window shows; it is only touched on the
    // window's thread, by the handover.
    explicit BackgroundLoader(ViewerState& shown, QObject* parent = nullptr);
    // Waits for a load that is still running; its result is dropped.
    ~BackgroundLoader() override;

    // Runs job on a new day; when it returns true (or always, with
    // handOverFailure), the day is handed over to the shown state before
    // done.
    void start(Job job, bool handOverFailure, Done done);
    // A folder load (scan and earliest day) of folder, handed over only
    // when the folder has logs.
    void loadFolder(const std::string& folder, Done done);
    // The day of folder. Handed over even when it fails (an empty day then),
    // as a day load on the shown state would leave it.
    void loadDay(const std::string& folder, std::int32_t day, Done done);
    // job on a day that lists folder: as the shown state lists it, when it
    // shows folder (no second scan: a pick costs one read), else scanned
    // first on the loader's thread.
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
        // Made on the window's thread with the request; the job's alone
        // until it is handed over or dropped.
        std::unique_ptr<LoadedDay> day;
    };

    void start(std::unique_ptr<LoadedDay> day, Job job, bool handOverFailure, Done done);
    void runNext();
    void finished(std::uint64_t generation, bool result);

    ViewerState& shown_;
    bool running_ = false;
    std::uint64_t newest_ = 0;
    std::optional<Request> pending_;
    Request runningRequest_;
    // Last, so that it waits for a running job before the day that job
    // reads into goes.
    WindowWorker worker_{*this};
};

} // namespace zelkam
