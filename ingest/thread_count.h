#pragma once

namespace zelkam {

// How many threads the reading of logs may spread over: the number in the
// environment variable ZELKAM_THREADS when it holds one from 1 to 256,
// otherwise the processors this process may run on (so a program started
// under `taskset -c 0` reads on one thread), and never less than 1. Asked
// afresh at every read, so a change of the process's processors counts.
unsigned threadCount();

} // namespace zelkam
