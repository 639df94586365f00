#include "app/window_worker.h"

#include <QMetaObject>
#include <QObject>

namespace zelkam {

void WindowWorker::Job::post(std::function<void()> report) const
{
    WindowWorker* worker = worker_;
    const std::uint64_t generation = generation_;
    // Queued to the owner: it runs in the owner's thread, and not at all
    // once the owner is gone.
    QMetaObject::invokeMethod(
        &worker->owner_,
        [worker, generation, report = std::move(report)] {
            if (generation == worker->generation_)
                report();
        },
        Qt::QueuedConnection);
}

WindowWorker::WindowWorker(QObject& owner) : owner_(owner) {}

WindowWorker::~WindowWorker()
{
    requestStop();
    wait();
}

void WindowWorker::start(std::function<void(const Job&)> work)
{
    requestStop();
    wait();
    stop_ = std::make_shared<std::atomic<bool>>(false);
    const Job job(*this, stop_, ++generation_);
    if (thread_.start(1, [job, work](unsigned) { work(job); }) == 0)
        work(job);
}

void WindowWorker::cancel()
{
    requestStop();
    wait();
    ++generation_;
}

void WindowWorker::requestStop()
{
    if (stop_)
        *stop_ = true;
}

void WindowWorker::wait()
{
    thread_.join();
}

} // namespace zelkam
