#pragma once

#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

namespace zelkam {

// The one way work is spread over threads: a group of threads started
// together, each running the group's work with its own index, all joined
// before the group goes. The system may refuse a thread; start then stops
// early and says how many run, and the caller does what the refused ones
// would have (by itself, at worst), so nothing fails for want of a thread.
class ThreadGroup {
public:
    ThreadGroup() = default;
    // Joins every thread still running.
    ~ThreadGroup();
    ThreadGroup(const ThreadGroup&) = delete;
    ThreadGroup& operator=(const ThreadGroup&) = delete;

    // Joins the threads of an earlier start, then starts up to count
    // threads, the i-th running work(i) (i from 0). Returns how many
    // started. work is kept by the group until the threads are joined.
    unsigned start(unsigned count, std::function<void(unsigned index)> work);
    // Waits for every thread started to end.
    void join();
    // How many threads run or have not been joined yet.
    unsigned size() const { return static_cast<unsigned>(threads_.size()); }

private:
    std::function<void(unsigned)> work_;
    std::vector<std::thread> threads_;
};

// Runs item(i) once for every i below count, each item taken by whichever
// of up to threads threads is free, the calling thread among them, and
// returns when every item taken is done. Items of uneven cost (a server of
// thousands of files beside one of ten) so keep every thread busy. An item
// returning false stops the taking of further items; the ones taken finish.
// Threads the system refuses leave their items to the others.
void shareItems(std::size_t count, unsigned threads, const std::function<bool(std::size_t index)>& item);

} // namespace zelkam
