#include "CrowdedWorld.h"
#include "platform/dispatch/ManualScheduler.h"
#include "platform/sim/SimWindowServer.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Fixture {
    Fixture()
    {
        dispatch::install(scheduler);
        world = crowdedWorld();
        server = std::make_unique<sim::SimWindowServer>(world);
    }
    ~Fixture() { dispatch::install(nullptr); }

    std::shared_ptr<dispatch::ManualScheduler> scheduler = std::make_shared<dispatch::ManualScheduler>();
    std::shared_ptr<sim::SimWorld> world;
    std::unique_ptr<sim::SimWindowServer> server;
};

void BM_WindowList500(benchmark::State& state)
{
    Fixture fixture;
    for (auto _ : state) {
        auto list = fixture.server->windowList(desktop::WindowListOption::onScreenOnly, 0, true);
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_WindowList500);

// The cheapest way to hand out the same list: copying one made beforehand.
void BM_WindowList500Copy(benchmark::State& state)
{
    Fixture fixture;
    const auto made = *fixture.server->windowList(desktop::WindowListOption::onScreenOnly, 0, true);
    for (auto _ : state) {
        auto list = made;
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_WindowList500Copy);

}  // namespace
