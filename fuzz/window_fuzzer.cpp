// A folder of a few log files built from the input (split at 0xFF bytes;
// the first byte of each piece picks its name), scanned, then every listed
// day read as its window. Nothing may crash, hang or read out of bounds, and
// the events must come only from lines of the files.

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
    scratch.clear();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    for (int file = 0; file < 4 && start <= input.size(); ++file) {
        std::size_t end = input.find('\xff', start);
        if (end == std::string_view::npos)
            end = input.size();
        std::string_view piece = input.substr(start, end - start);
        // Names of three days around a month end, with running numbers.
        static const char* const names[] = {"L0131000.log", "L0131001.log", "L0201000.log", "L0201001.log",
                                            "L0202000.log", "l0131002.LOG", "L1231000.log", "L0101000.log"};
        const char* name = names[file];
        if (!piece.empty()) {
            name = names[static_cast<unsigned char>(piece[0]) % 8];
            piece.remove_prefix(1);
        }
        scratch.write(name, piece);
        start = end + 1;
    }

    LogFolder folder;
    if (!folder.buildDayIndex(scratch.path().string()))
        return 0;
    for (std::size_t i = 0; i < folder.days().size() && i < 8; ++i) {
        if (i > 0 && folder.days()[i] <= folder.days()[i - 1])
            __builtin_trap();
        folder.readWindow(folder.days()[i] - 86400, 2);
        if (folder.events().size() > size)
            __builtin_trap();
    }
    return 0;
}
