// Arbitrary bytes as a gzip-archived log ("L0706000.log.gz"), scanned and
// every listed day read as its window, against a plain log holding what the
// archive decodes to. Nothing may crash, hang, allocate without bound or
// read out of bounds, and the archive must give exactly the days and events
// of its plain twin, but for the next day a plain file lists when its last
// line reaches it (an archive is dated by its first line alone).

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "ingest/block_source.h"
#include "ingest/log_folder.h"

using namespace zelkam;

namespace {

// Small enough that inputs of a few kilobytes reach it.
constexpr std::uint64_t OutputBound = 256 << 10;

bool sameEvent(const LogEvent& a, const LogEvent& b)
{
    const auto same = [](const char* x, const char* y) { return x == y || (x && y && std::strcmp(x, y) == 0); };
    return a.kind == b.kind && a.time == b.time && same(a.player.name, b.player.name)
           && a.player.userId == b.player.userId && a.player.wonId == b.player.wonId
           && a.player.addressKey == b.player.addressKey && a.player.team == b.player.team && same(a.text, b.text);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::useFuzzTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::ScratchFolder scratch;
    scratch.clear();
    const std::filesystem::path archived = scratch.path() / "archived";
    const std::filesystem::path plain = scratch.path() / "plain";
    std::filesystem::create_directory(archived);
    std::filesystem::create_directory(plain);
    scratch.write("archived/L0706000.log.gz", std::string_view(reinterpret_cast<const char*>(data), size));

    // What the archive decodes to, as one plain file.
    std::string content;
    if (std::FILE* file = std::fopen((archived / "L0706000.log.gz").c_str(), "rb")) {
        const auto source = makeBlockSource(file, Compression::Gzip, OutputBound);
        char buffer[4096];
        for (std::size_t got; (got = source->read(buffer, sizeof buffer)) > 0;)
            content.append(buffer, got);
    }
    if (content.size() > OutputBound)
        __builtin_trap();
    scratch.write("plain/L0706000.log", content);

    LogFolder fromArchive;
    LogFolder fromPlain;
    fromArchive.setOutputBound(OutputBound);
    const bool listed = fromArchive.buildDayIndex(archived.string());
    if (listed != fromPlain.buildDayIndex(plain.string()))
        __builtin_trap();
    if (!listed)
        return 0;
    // An archive lists only the day its first line is stamped on; the plain
    // twin also lists the next day when its last whole line is stamped on it.
    // Every day the archive lists, the plain twin lists too, in the same place.
    const bool plainReachesNextDay =
        fromPlain.files().entries.size() == 1 && fromPlain.files().entries[0].reachesNextDay;
    if (fromArchive.days().size() + (plainReachesNextDay ? 1 : 0) != fromPlain.days().size())
        __builtin_trap();
    for (std::size_t i = 0; i < fromArchive.days().size() && i < 4; ++i) {
        if (fromArchive.days()[i] != fromPlain.days()[i])
            __builtin_trap();
        const std::int64_t start = addLocalDays(fromArchive.days()[i], -1);
        const auto windowStart = static_cast<std::int32_t>(std::max<std::int64_t>(start, INT32_MIN));
        if (fromArchive.readWindow(windowStart, 2) != fromPlain.readWindow(windowStart, 2))
            __builtin_trap();
        const EventList& a = fromArchive.events();
        const EventList& b = fromPlain.events();
        if (a.size() != b.size())
            __builtin_trap();
        for (std::size_t e = 0; e < a.size(); ++e) {
            if (!sameEvent(a[e], b[e]))
                __builtin_trap();
        }
    }
    return 0;
}
