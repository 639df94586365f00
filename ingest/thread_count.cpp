#include "ingest/thread_count.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

#include "parse/decimal.h"

namespace zelkam {

unsigned threadCount()
{
    if (const char* forced = std::getenv("ZELKAM_THREADS")) {
        unsigned value = 0;
        if (readNumber(forced, value, {false, 1, 256}))
            return value;
    }
#if defined(__linux__)
    // The processors the process may run on, not those the machine has: a
    // pinned process that started a thread per processor would only make
    // its threads take turns.
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
        const int count = CPU_COUNT(&allowed);
        if (count > 0)
            return static_cast<unsigned>(count);
    }
#endif
    const unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? count : 1;
}

} // namespace zelkam
