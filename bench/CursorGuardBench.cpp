#include "foundation/ActiveDisplays.h"
#include "parking/display/DisplayController.h"
#include "parking/watchers/CursorGuard.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/ManualScheduler.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimWorld.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Two real screens and one of our virtual displays; the pointer on the second real
// screen.
struct ProbeFixture {
    ProbeFixture()
    {
        dispatch::install(scheduler);
        auto world = std::make_shared<sim::SimWorld>();
        world->addDisplay(
            {1, {0, 0, 1512, 982}, {0, 25, 1512, 957}, 2, {1512, 982, 3024, 1964, 60}, {344, 222}, "Built-in"});
        world->addDisplay(
            {2, {1512, 0, 1920, 1080}, {1512, 0, 1920, 1080}, 1, {1920, 1080, 1920, 1080, 60}, {600, 340}, "Side"});
        world->addDisplay({3,
                           {3432, 0, 1552, 1022},
                           {3432, 0, 1552, 1022},
                           2,
                           {1552, 1022, 3104, 2044, 60},
                           {0, 0},
                           "Glimra 1552x1022"});
        desktop::install(sim::makeSimDesktop(world));
        desktop::input().warpPointer({2000, 500});
        displays = std::make_unique<parking::DisplayController>();
        guard = std::make_shared<CursorGuard>(*displays);
    }
    ~ProbeFixture()
    {
        guard.reset();
        displays.reset();
        desktop::install(nullptr);
        dispatch::install(nullptr);
    }

    std::shared_ptr<dispatch::ManualScheduler> scheduler = std::make_shared<dispatch::ManualScheduler>();
    std::unique_ptr<parking::DisplayController> displays;
    std::shared_ptr<CursorGuard> guard;
};

// One probe tick that finds the pointer on a real screen, on the guard's queue.
void BM_CursorProbe(benchmark::State& state)
{
    ProbeFixture fixture;
    for (auto _ : state) fixture.guard->queue().sync([&] { fixture.guard->probeTick(); });
}
BENCHMARK(BM_CursorProbe);

// The least the probe can do: one read of the active display list.
void BM_ActiveDisplayRead(benchmark::State& state)
{
    ProbeFixture fixture;
    for (auto _ : state) {
        auto ids = activeDisplayIDs();
        benchmark::DoNotOptimize(ids);
    }
}
BENCHMARK(BM_ActiveDisplayRead);

}  // namespace
