// Arbitrary file names: the log-name matching and the window patterns, and
// a scan of a folder holding a file of that name, must take anything.

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
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    const std::string_view pattern = split == std::string_view::npos ? "L*.log" : input.substr(0, split);
    const std::string_view name = split == std::string_view::npos ? input : input.substr(split + 1);

    const bool matched = matchesFileNamePattern(pattern, name);
    if (pattern == "*" && !matched)
        __builtin_trap();
    if (matchesFileNamePattern("L*.log", name) && (name.size() < 5 || (name[0] != 'L' && name[0] != 'l')))
        __builtin_trap();

    // A real file of that name, when the file system allows it.
    if (name.empty() || name.size() > 200 || name == "." || name == ".."
        || name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        return 0;
    scratch.clear();
    scratch.write(name, "L 01/31/2002 - 23:59:59: \"a<1><2><CT>\" say \"x\"\n");
    LogFolder folder;
    if (folder.buildDayIndex(scratch.path().string())) {
        if (!matchesFileNamePattern("L*.log", name))
            __builtin_trap();
        folder.readWindow(folder.days()[0] - 86400, 2);
    }
    return 0;
}
