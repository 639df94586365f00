#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "ingest/thread_group.h"

class QObject;

namespace zelkam {

// The one way the windows work off their thread: a job at a time on a thread
// of its own, a stop the job polls, and reports posted back to the owner's
// thread. A report runs there only while its job is the newest one started,
// so a window that starts over never shows what the job before found; and
// the thread is always waited for before the worker (and with it its owner)
// goes.
class WindowWorker {
public:
    // What a job is given: its stop flag and its way back to the owner.
    class Job {
    public:
        bool stopRequested() const { return stop_->load(); }
        // The flag itself, for work that polls it deeper down.
        const std::atomic<bool>* stopFlag() const { return stop_.get(); }
        // Runs report on the owner's thread, unless another job has been
        // started since this one.
        void post(std::function<void()> report) const;

    private:
        friend class WindowWorker;
        Job(WindowWorker& worker, std::shared_ptr<std::atomic<bool>> stop, std::uint64_t generation)
            : worker_(&worker), stop_(std::move(stop)), generation_(generation)
        {
        }
        WindowWorker* worker_;
        std::shared_ptr<std::atomic<bool>> stop_;
        std::uint64_t generation_;
    };

    // owner is the object on whose thread the reports run; the worker must
    // not outlive it (a member of it, typically).
    explicit WindowWorker(QObject& owner);
    // Asks the running job to stop and waits for it.
    ~WindowWorker();
    WindowWorker(const WindowWorker&) = delete;
    WindowWorker& operator=(const WindowWorker&) = delete;

    // Asks a running job to stop and waits for it, drops its reports not
    // yet run, then starts work on a thread of its own (on this thread,
    // reports still posted, when the system has no thread to give).
    void start(std::function<void(const Job&)> work);
    // Asks the running job to stop; the reports it still posts run.
    void requestStop();
    // Asks the running job to stop, waits for it and drops its reports not
    // yet run: for a window whose job's answer no longer means anything.
    void cancel();
    // Waits for the running job's thread to end.
    void wait();

private:
    QObject& owner_;
    ThreadGroup thread_;
    std::shared_ptr<std::atomic<bool>> stop_;
    std::uint64_t generation_ = 0;
};

} // namespace zelkam
