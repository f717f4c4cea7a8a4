#include "CrowdedWorld.h"
#include "app/HoverPIPTrigger.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/ManualScheduler.h"
#include "platform/sim/SimDesktop.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct TriggerFixture {
    TriggerFixture()
    {
        dispatch::install(scheduler);
        desktop::install(sim::makeSimDesktop(crowdedWorld()));
        pointer = deepestHitPoint();
    }
    ~TriggerFixture()
    {
        desktop::install(nullptr);
        dispatch::install(nullptr);
    }

    // The zone centre (screen coordinates) of the window furthest back in the list that
    // is still the hit there: the longest walk that ends in a hit.
    static core::Point deepestHitPoint()
    {
        const double height = desktop::firstScreenHeight(desktop::displays());
        const auto list = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly, 0, true);
        core::Point best;
        for (const desktop::WindowInfo& info : *list) {
            if (!info.bounds) continue;
            const core::Point global{info.bounds->maxX() - 40, info.bounds->minY() + 24};
            const core::Point screen = core::flipped(global, height);
            // The point lies in the window's zone, so being the window under it makes a hit.
            const auto under = app::HoverPIPTrigger::findWindowUnder(screen, app::HoverPIPTrigger::minWindowSize);
            if (under && under->windowID == info.number) best = screen;
        }
        return best;
    }

    std::shared_ptr<dispatch::ManualScheduler> scheduler = std::make_shared<dispatch::ManualScheduler>();
    core::Point pointer;
};

// One fresh hit test of the trigger's poll over 500 windows: the window list, the walk to
// the window under the pointer and the corner-zone test.
void BM_TriggerHitTest500(benchmark::State& state)
{
    TriggerFixture fixture;
    for (auto _ : state) {
        auto hit = app::HoverPIPTrigger::hitTest(fixture.pointer, 80, 48, 0, false);
        benchmark::DoNotOptimize(hit);
    }
}
BENCHMARK(BM_TriggerHitTest500);

}  // namespace
