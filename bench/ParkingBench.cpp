// One restore-watcher tick over eight parked windows whose places stay covered, in the
// crowded world: the watcher reads the on-screen list once per parked window, so eight
// BM_WindowList500 are the least it can cost.
#include "CrowdedWorld.h"
#include "parking/display/DisplayController.h"
#include "parking/ledger/ParkingController.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/ManualScheduler.h"
#include "platform/sim/SimDesktop.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr desktop::Pid parkedApp = 900;
constexpr desktop::Pid coverApp = 901;

struct ParkedCrowd {
    ParkedCrowd()
    {
        dispatch::install(scheduler);
        auto world = crowdedWorld();
        for (const desktop::Pid pid : {parkedApp, coverApp}) {
            sim::SimApp app;
            app.info.pid = pid;
            app.info.name = pid == parkedApp ? "Parked" : "Cover";
            world->addApp(app);
        }
        desktop::install(sim::makeSimDesktop(world));
        displays = std::make_unique<parking::DisplayController>();
        controller = std::make_shared<parking::ParkingController>(dispatch::Queue("bench.windowparking"), *displays);
        for (int i = 0; i < parking::ParkingController::parkCap; ++i) {
            sim::SimWindow window;
            window.id = static_cast<desktop::WindowID>(5000 + i);
            window.pid = parkedApp;
            window.frame = core::Rect(40 + i * 60, 60 + i * 40, 400, 300);
            world->addWindow(window);
            sim::SimWindow cover;
            cover.id = static_cast<desktop::WindowID>(6000 + i);
            cover.pid = coverApp;
            cover.frame = window.frame.insetBy(-10, -10);
            world->addWindow(cover);
            const auto outcome = controller->queue().syncResult([&] { return controller->rescueOutcome(window.id); });
            if (outcome == ParkingService::RescueOutcome::parked) ++parkedCount;
        }
    }
    ~ParkedCrowd()
    {
        controller.reset();
        displays.reset();
        desktop::install(nullptr);
        dispatch::install(nullptr);
    }

    std::shared_ptr<dispatch::ManualScheduler> scheduler = std::make_shared<dispatch::ManualScheduler>();
    std::unique_ptr<parking::DisplayController> displays;
    std::shared_ptr<parking::ParkingController> controller;
    std::size_t parkedCount = 0;
};

void BM_RestoreTick8(benchmark::State& state)
{
    ParkedCrowd crowd;
    if (crowd.parkedCount != static_cast<std::size_t>(parking::ParkingController::parkCap)) {
        state.SkipWithError("the eight windows did not park");
        return;
    }
    auto& controller = *crowd.controller;
    for (auto _ : state) controller.queue().sync([&] { controller.restoreTickNow(); });
    const auto stillParked = controller.queue().syncResult([&] { return controller.parkedRecords().size(); });
    if (stillParked != crowd.parkedCount) state.SkipWithError("a place came clear: windows moved");
}
BENCHMARK(BM_RestoreTick8);

}  // namespace
