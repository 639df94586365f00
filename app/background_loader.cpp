#include "app/background_loader.h"

#include <utility>

#include "replay/viewer_state.h"

namespace zelkam {

BackgroundLoader::BackgroundLoader(ViewerState& shown, QObject* parent)
    : QObject(parent), shown_(shown), state_(std::make_unique<ViewerState>())
{
}

// The worker waits for a load still running; its report is dropped with
// this object.
BackgroundLoader::~BackgroundLoader() = default;

void BackgroundLoader::start(Job job, bool handOverFailure, Done done)
{
    const bool wasBusy = isBusy();
    pending_ = Request{std::move(job), handOverFailure, std::move(done), ++newest_};
    if (!wasBusy)
        emit busyChanged(true);
    if (!running_)
        runNext();
}

void BackgroundLoader::loadFolder(const std::string& folder, Done done)
{
    const auto job = [this, folder](ViewerState& state) {
        stateFolder_.clear();
        if (!state.loadFolder(folder))
            return false;
        stateFolder_ = folder;
        return true;
    };
    start(job, false, std::move(done));
}

void BackgroundLoader::loadDay(const std::string& folder, std::int32_t day, Done done)
{
    withFolder(folder, [day](ViewerState& state) { return state.loadDay(day); }, true, std::move(done));
}

void BackgroundLoader::withFolder(const std::string& folder, Job job, bool handOverFailure, Done done)
{
    // The state a hand-over left here may be another folder's, or none:
    // the folder is listed again, but no day is read for it, as the job
    // reads the one wanted (a day picked right after the folder opened
    // costs one read, not two).
    const auto scanThenJob = [this, folder, job = std::move(job)](ViewerState& state) {
        if (stateFolder_ != folder || state.days().empty()) {
            stateFolder_.clear();
            if (!state.scanFolder(folder))
                return false;
            stateFolder_ = folder;
        }
        return job(state);
    };
    start(scanThenJob, handOverFailure, std::move(done));
}

void BackgroundLoader::runNext()
{
    runningRequest_ = std::move(*pending_);
    pending_.reset();
    running_ = true;
    const std::uint64_t generation = runningRequest_.generation;
    // The job runs on the loader's own state only; the shown state and
    // everything else of the window stay on the window's thread.
    worker_.start([this, job = runningRequest_.job, generation](const WindowWorker::Job& work) {
        const bool result = job(*state_);
        work.post([this, generation, result] { finished(generation, result); });
    });
}

void BackgroundLoader::finished(std::uint64_t generation, bool result)
{
    worker_.wait();
    running_ = false;
    Request request = std::move(runningRequest_);
    if (pending_) {
        // A newer choice came in meanwhile: this result is stale.
        runNext();
        return;
    }
    if (generation == newest_) {
        if (result || request.handOverFailure) {
            shown_.takeOver(*state_);
            std::swap(stateFolder_, shownFolder_);
        }
        emit busyChanged(false);
        if (request.done)
            request.done(result);
    }
}

} // namespace zelkam
