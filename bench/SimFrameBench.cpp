#include "platform/sim/FrameRecycler.h"
#include "platform/sim/WindowPainter.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

// One frame of a 1512 × 982-point window at scale 2, as a stream delivers it.
constexpr int frameWidth = 3024;
constexpr int frameHeight = 1964;

void BM_SimFrame(benchmark::State& state)
{
    sim::SimWindow window;
    window.id = 4242;
    window.frame = core::Rect(0, 0, 1512, 982);
    window.title = "Notes";
    double contentTime = 0;
    for (auto _ : state) {
        auto frame = sim::paintWindow(window, "Editor", contentTime, frameWidth, frameHeight);
        benchmark::DoNotOptimize(frame->data());
        contentTime += 1.0 / 60;
    }
    state.SetBytesProcessed(state.iterations() * frameWidth * frameHeight * 4);
}
BENCHMARK(BM_SimFrame);

// The same frames as a stream hands them out, each read once while the one before is
// still shown: painted into storage used again.
void BM_SimStreamFrame(benchmark::State& state)
{
    sim::SimWindow window;
    window.id = 4242;
    window.frame = core::Rect(0, 0, 1512, 982);
    window.title = "Notes";
    sim::FrameRecycler recycler;
    desktop::PixelBufferRef shown;
    double contentTime = 0;
    for (auto _ : state) {
        auto frame = recycler.frame(sim::windowPicture(window, "Editor", contentTime, frameWidth, frameHeight));
        benchmark::DoNotOptimize(frame->data());
        shown = std::move(frame);
        contentTime += 1.0 / 60;
    }
    state.SetBytesProcessed(state.iterations() * frameWidth * frameHeight * 4);
}
BENCHMARK(BM_SimStreamFrame);

// The floor: filling a buffer of the same size.
void BM_Memset(benchmark::State& state)
{
    std::vector<std::uint8_t> buffer(std::size_t(frameWidth) * frameHeight * 4);
    int value = 0;
    for (auto _ : state) {
        std::memset(buffer.data(), ++value, buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * frameWidth * frameHeight * 4);
}
BENCHMARK(BM_Memset);

}  // namespace
