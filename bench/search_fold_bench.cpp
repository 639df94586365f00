// What Find pays per text it tests with "Match case" off: an ASCII text is
// folded byte by byte, a text with other bytes is decoded and folded with
// full Unicode case folding. Run: zelkam-bench --benchmark_filter=FoldedContains

#include <benchmark/benchmark.h>

#include "replay/search.h"

namespace zelkam {
namespace {

void FoldedContains(benchmark::State& bench, const char* text)
{
    FoldedCaseComparer comparer;
    const std::string pattern = prepareSearchPattern("zq no such text xj", false);
    for (auto _ : bench)
        benchmark::DoNotOptimize(comparer.contains(text, pattern));
}

BENCHMARK_CAPTURE(FoldedContains, Ascii, "{LGN}Maverick_ua : Rush B, NOW! dont camp there")
    ->Name("FoldedContains/Ascii");
BENCHMARK_CAPTURE(FoldedContains, CodePage, "M\xFCller : schie\xDF doch endlich, \xE4hm, rush B")
    ->Name("FoldedContains/CodePage");
BENCHMARK_CAPTURE(FoldedContains, Utf8, "\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9 : "
                                        "\xD0\x92\xD0\xA1\xD0\x95 \xD0\x9D\xD0\x90 B")
    ->Name("FoldedContains/Utf8");

} // namespace
} // namespace zelkam
