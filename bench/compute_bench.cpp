// Speed of one COMPUTE (computation and eleven formats) and of reading the frequency text.
#include <benchmark/benchmark.h>

#include <string>

#include "helix_dimensions.h"
#include "numeric.h"

namespace zandrel {
namespace {

void BM_Compute(benchmark::State& state) {
    const StyleConstants& style = StyleConstantsOf(static_cast<HelixStyle>(state.range(0)));
    HelixDimensions dimensions;
    std::string texts[DisplayOrder.size()];
    for (auto _ : state) {
        ComputeHelixDimensions("137.50", style, dimensions);
        for (std::size_t i = 0; i < DisplayOrder.size(); ++i) {
            texts[i] = FormatDimension(dimensions.*DisplayOrder[i].Field);
        }
        benchmark::DoNotOptimize(texts);
    }
}
BENCHMARK(BM_Compute)->DenseRange(0, 5);

void BM_TextToSingle(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(TextToSingle("137.50"));
    }
}
BENCHMARK(BM_TextToSingle);

void BM_TextToSingleLongText(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(TextToSingle("  1.00000005960464477539062500000001E+2  "));
    }
}
BENCHMARK(BM_TextToSingleLongText);

}  // namespace
}  // namespace zandrel
