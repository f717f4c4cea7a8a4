#include "BenchFolder.h"
#include "app/AppDelegate.h"
#include "scenario/ScenarioRunner.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace {

// bench/scenarios/sixteen-mirrors.json: sixteen 1920 × 1080 windows side by side on one
// display, all mirrored, for 10 simulated seconds.
const std::string wall = std::string(GLIMRA_BENCH_SCENARIOS) + "/sixteen-mirrors.json";

std::optional<scenario::Scenario> loadWall(bool mirrored)
{
    app::AppDelegate checker;
    auto loaded = scenario::loadScenario(wall, checker);
    auto* checked = std::get_if<scenario::Scenario>(&loaded);
    if (!checked) return std::nullopt;
    if (!mirrored)
        std::erase_if(checked->steps,
                      [](const scenario::Step& step) { return step.kind == scenario::StepKind::command; });
    return *checked;
}

// Runs the scenario into a fresh folder: its wall seconds, and the mini windows it ended with.
std::pair<double, std::size_t> runOnce(const scenario::Scenario& run, int number)
{
    const std::string folder = benchFolder() + "/wall-" + std::to_string(number);
    const auto start = std::chrono::steady_clock::now();
    const auto result = scenario::runScenario(run, folder, std::make_unique<app::AppDelegate>());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::size_t panels = 0;
    if (result.status == 0) {
        std::ifstream state(folder + "/state.json");
        panels = nlohmann::json::parse(state, nullptr, false).value("panels", nlohmann::json::array()).size();
    }
    std::filesystem::remove_all(folder);
    return {took.count(), panels};
}

// The mirrored wall against the same desktop with no mini window, in the same run: how
// many simulated seconds each wall second runs, and the mirrors' cost as a multiple of
// the run without them.
void BM_SixteenMirroredWindows(benchmark::State& state)
{
    const auto mirrored = loadWall(true);
    const auto bare = loadWall(false);
    if (!mirrored || !bare) {
        state.SkipWithError("the scenario does not load");
        return;
    }
    double mirroredSeconds = 0;
    double bareSeconds = 0;
    int number = 0;
    for (auto _ : state) {
        const auto [took, panels] = runOnce(*mirrored, ++number);
        if (panels != 16) {
            state.SkipWithError("the run did not end with 16 mini windows");
            return;
        }
        state.SetIterationTime(took);
        mirroredSeconds += took;
        bareSeconds += runOnce(*bare, ++number).first;
    }
    const double simulated = mirrored->until * static_cast<double>(state.iterations());
    state.counters["simulated_per_wall_s"] = simulated / mirroredSeconds;
    state.counters["bare_simulated_per_wall_s"] = simulated / bareSeconds;
    state.counters["x_bare"] = mirroredSeconds / bareSeconds;
}
BENCHMARK(BM_SixteenMirroredWindows)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
