#include "platform/dispatch/ManualScheduler.h"
#include "platform/sim/SimWindowServer.h"
#include "platform/sim/SimWorld.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int windowCount = 500;
constexpr int appCount = 25;

// 500 windows of 25 applications in a loose cascade over two displays, a tenth of them
// minimised.
std::shared_ptr<sim::SimWorld> crowdedWorld()
{
    auto world = std::make_shared<sim::SimWorld>();
    world->addDisplay({1, {0, 0, 1512, 982}, {0, 25, 1512, 957}, 2, {1512, 982, 3024, 1964, 60}, {344, 222}, "Built-in"});
    world->addDisplay({2, {1512, 0, 1920, 1080}, {1512, 0, 1920, 1080}, 1, {1920, 1080, 1920, 1080, 60}, {600, 340}, "Side"});
    for (int a = 0; a < appCount; ++a) {
        sim::SimApp app;
        app.info.pid = 500 + a;
        app.info.name = "App " + std::to_string(a);
        world->addApp(app);
    }
    for (int i = 0; i < windowCount; ++i) {
        sim::SimWindow window;
        window.id = static_cast<desktop::WindowID>(1000 + i);
        window.pid = 500 + i % appCount;
        window.title = "Window " + std::to_string(i);
        window.frame = core::Rect((i * 37) % 3000, (i * 53) % 900, 300 + i % 200, 200 + i % 150);
        window.minimized = i % 10 == 0;
        world->addWindow(window);
    }
    return world;
}

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
