#include "ingest/thread_group.h"

#include <algorithm>
#include <atomic>
#include <system_error>

namespace zelkam {

ThreadGroup::~ThreadGroup() { join(); }

unsigned ThreadGroup::start(unsigned count, std::function<void(unsigned index)> work)
{
    join();
    work_ = std::move(work);
    threads_.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        // std::thread reports a refused thread only by throwing.
        try {
            threads_.emplace_back([this, i] { work_(i); });
        } catch (const std::system_error&) {
            break;
        }
    }
    return size();
}

void ThreadGroup::join()
{
    for (std::thread& thread : threads_)
        thread.join();
    threads_.clear();
}

void shareItems(std::size_t count, unsigned threads, const std::function<bool(std::size_t)>& item)
{
    std::atomic<std::size_t> next = 0;
    std::atomic<bool> stopped = false;
    const auto takeItems = [&](unsigned) {
        while (!stopped.load(std::memory_order_relaxed)) {
            const std::size_t index = next.fetch_add(1, std::memory_order_relaxed);
            if (index >= count)
                return;
            if (!item(index))
                stopped.store(true, std::memory_order_relaxed);
        }
    };
    ThreadGroup helpers;
    if (threads > 1 && count > 1)
        helpers.start(static_cast<unsigned>(std::min<std::size_t>(threads, count)) - 1, takeItems);
    takeItems(0);
}

} // namespace zelkam
