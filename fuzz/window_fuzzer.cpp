// A folder of a few log files built from the input (writeFuzzedFolder),
// scanned, then every listed day read as its window. Nothing may crash, hang
// or read out of bounds, and the events must come only from lines of the
// files.

#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "ingest/log_folder.h"

using namespace zelkam;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::useFuzzTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::ScratchFolder scratch;
    fuzz::writeFuzzedFolder(scratch, std::string_view(reinterpret_cast<const char*>(data), size));

    LogFolder folder;
    if (!folder.buildDayIndex(scratch.path().string()))
        return 0;
    for (std::size_t i = 0; i < folder.days().size() && i < 8; ++i) {
        if (i > 0 && folder.days()[i] <= folder.days()[i - 1])
            __builtin_trap();
        // From the midnight before, as a day load reads it; a day of 1901
        // has no midnight before it in 32 bits.
        const std::int64_t start = addLocalDays(folder.days()[i], -1);
        folder.readWindow(static_cast<std::int32_t>(std::max<std::int64_t>(start, INT32_MIN)), 2);
        if (folder.events().size() > size)
            __builtin_trap();
    }
    return 0;
}
