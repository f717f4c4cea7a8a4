// The visible part of a window under fifty covers, next to merely summing the covers'
// areas: the least any answer that looks at each cover costs.
#include "panels/pin/PrePinStack.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

const core::Rect coveredWindow{200, 100, 1200, 800};

std::vector<core::Rect> fiftyCovers()
{
    std::mt19937 random(50);
    std::uniform_real_distribution<double> x(0, 1500), y(0, 900), extent(80, 600);
    std::vector<core::Rect> covers;
    for (int i = 0; i < 50; ++i) covers.emplace_back(x(random), y(random), extent(random), extent(random));
    return covers;
}

void BM_VisibleArea50(benchmark::State& state)
{
    const std::vector<core::Rect> covers = fiftyCovers();
    for (auto _ : state) benchmark::DoNotOptimize(pin::visibleArea(coveredWindow, covers));
}
BENCHMARK(BM_VisibleArea50);

void BM_SumOfCoverAreas50(benchmark::State& state)
{
    const std::vector<core::Rect> covers = fiftyCovers();
    for (auto _ : state) {
        double sum = 0;
        for (const core::Rect& cover : covers) sum += cover.width() * cover.height();
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_SumOfCoverAreas50);

}  // namespace
