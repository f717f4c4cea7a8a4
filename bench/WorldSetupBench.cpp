#include "scenario/WorldSetup.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

// A desktop of two displays and `count` windows of varied frames spread over both, ten
// to an application, as a large scenario file describes it.
scenario::Scenario desktopOf(int count)
{
    scenario::Scenario desktop;
    scenario::ScenarioDisplay builtIn;
    builtIn.id = 1;
    builtIn.frame = core::Rect(0, 0, 1512, 982);
    builtIn.visibleFrame = core::Rect(0, 25, 1512, 957);
    scenario::ScenarioDisplay external;
    external.id = 2;
    external.frame = core::Rect(1512, 0, 1920, 1080);
    external.visibleFrame = core::Rect(1512, 25, 1920, 1055);
    external.scale = 1;
    desktop.displays = {builtIn, external};

    std::mt19937 random(count);
    std::uniform_real_distribution<double> x(-100, 3300);
    std::uniform_real_distribution<double> y(0, 1000);
    std::uniform_real_distribution<double> width(200, 1200);
    std::uniform_real_distribution<double> height(150, 800);
    for (int i = 0; i < count; ++i) {
        if (i % 10 == 0) {
            scenario::ScenarioApp app;
            app.pid = 1000 + i / 10;
            app.name = "App " + std::to_string(i / 10);
            desktop.apps.push_back(app);
        }
        scenario::ScenarioWindow window;
        window.id = 10000 + i;
        window.title = "Window " + std::to_string(i);
        window.frame = core::Rect(x(random), y(random), width(random), height(random));
        window.content = i % 3 == 0 ? sim::Content::still : sim::Content::animated;
        desktop.apps.back().windows.push_back(window);
    }
    desktop.frontmost = desktop.apps.front().pid;
    return desktop;
}

void BM_WorldSetup(benchmark::State& state)
{
    const auto desktop = desktopOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto world = scenario::makeWorld(desktop);
        benchmark::DoNotOptimize(world->isCovered(10000));
    }
}
BENCHMARK(BM_WorldSetup)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
