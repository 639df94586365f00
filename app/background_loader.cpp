#include "app/background_loader.h"

#include <utility>

#include "replay/loaded_day.h"
#include "replay/viewer_state.h"

namespace zelkam {

BackgroundLoader::BackgroundLoader(ViewerState& shown, QObject* parent) : QObject(parent), shown_(shown) {}

// The worker waits for a load still running; its report is dropped with
// this object.
BackgroundLoader::~BackgroundLoader() = default;

void BackgroundLoader::start(Job job, bool handOverFailure, Done done)
{
    start(std::make_unique<LoadedDay>(), std::move(job), handOverFailure, std::move(done));
}

void BackgroundLoader::start(std::unique_ptr<LoadedDay> day, Job job, bool handOverFailure, Done done)
{
    const bool wasBusy = isBusy();
    pending_ = Request{std::move(job), handOverFailure, std::move(done), ++newest_, std::move(day)};
    if (!wasBusy)
        emit busyChanged(true);
    if (!running_)
        runNext();
}

void BackgroundLoader::loadFolder(const std::string& folder, Done done)
{
    const auto job = [folder](LoadedDay& day) { return day.scan(folder) && day.read(day.days()[0]); };
    start(job, false, std::move(done));
}

void BackgroundLoader::loadDay(const std::string& folder, std::int32_t day, Done done)
{
    withFolder(folder, [day](LoadedDay& loaded) { return loaded.read(day); }, true, std::move(done));
}

void BackgroundLoader::withFolder(const std::string& folder, Job job, bool handOverFailure, Done done)
{
    // A day of the folder shown is read from the listing the date selector
    // shows, copied here on the window's thread while nothing changes it:
    // the folder is not listed again, and the pick costs one window read.
    auto day = std::make_unique<LoadedDay>();
    const LoadedDay& shown = shown_.loadedDay();
    const bool listed = shown.path() == folder && !shown.days().empty();
    if (listed)
        day->listAs(shown);
    const auto listThenJob = [folder, listed, job = std::move(job)](LoadedDay& loaded) {
        return (listed || loaded.scan(folder)) && job(loaded);
    };
    start(std::move(day), listThenJob, handOverFailure, std::move(done));
}

void BackgroundLoader::runNext()
{
    runningRequest_ = std::move(*pending_);
    pending_.reset();
    running_ = true;
    const std::uint64_t generation = runningRequest_.generation;
    // The job runs on the request's own day only; the shown state and
    // everything else of the window stay on the window's thread.
    LoadedDay* day = runningRequest_.day.get();
    worker_.start([this, job = runningRequest_.job, day, generation](const WindowWorker::Job& work) {
        const bool result = job(*day);
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
        if (result || request.handOverFailure)
            shown_.takeOver(std::move(request.day));
        emit busyChanged(false);
        if (request.done)
            request.done(result);
    }
}

} // namespace zelkam
