#include "ingest/thread_group.h"

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

} // namespace zelkam
