#include "scenario/ScenarioRunner.h"

#include "scenario/InputFile.h"
#include "scenario/RunDesktop.h"
#include "scenario/ScenarioParser.h"
#include "scenario/ShownText.h"
#include "scenario/StateDump.h"
#include "scenario/StepRunner.h"
#include "scenario/Timeline.h"

#include "platform/core/UniqueName.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/ManualScheduler.h"
#include "platform/sim/SimCapture.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimInput.h"
#include "platform/sim/SimVirtualDisplays.h"

namespace scenario {
namespace {

// How long a quit path may take before the run gives up on it.
constexpr double quitGrace = 60;

// What the run writes into the folder and hands the application; a live run writes no
// step's file.
OutputFolder::Plan outputPlan(const Scenario& scenario, bool withSteps)
{
    OutputFolder::Plan plan;
    for (std::size_t i = 0; withSteps && i < scenario.steps.size(); ++i)
        if (!scenario.steps[i].file.empty())
            plan.stepFiles.push_back({childPath(itemPath("steps", i), "file"), scenario.steps[i].file});
    plan.placedFiles = scenario.files;
    if (scenario.identity.bundlePath)
        plan.linkFreePaths.push_back({"identity.bundlePath", *scenario.identity.bundlePath});
    return plan;
}

// A folder that refused the run is let go again.
std::optional<RunResult> refusal(OutputFolder& output, const std::optional<std::string>& problem)
{
    if (!problem) return std::nullopt;
    output.detach();
    return RunResult{1, shownText(*problem)};
}

// One run, from the launch to the end: the steps at their times, then the final state.
RunResult play(const Scenario& scenario, app::Application& app, dispatch::ManualScheduler& scheduler,
               StepRunner::Services services, const OutputFolder& output)
{
    Timeline timeline(scheduler, app);
    const auto exited = [&] { return RunResult{*app.exitStatus(), ""}; };
    StepRunner steps(services, app, output, [&](double time) { return timeline.advanceTo(time); });

    const auto finish = [&](RunResult r) {
        if (!output.write("state.json", stateDump(services.world, services.input, services.hotKeys, app)) && !r.status)
            r = {1, "cannot write " + output.path("state.json")};
        r.message = shownText(r.message);
        return r;
    };

    app.launch(scenario.args);
    if (!timeline.settle()) return finish(exited());
    for (std::size_t i = 0; i < scenario.steps.size(); ++i) {
        const Step& step = scenario.steps[i];
        if (!timeline.advanceTo(step.at)) return finish(exited());
        const std::string path = itemPath("steps", i);
        if (auto problem = steps.run(step, path)) return finish({1, *problem});
        if (step.kind == StepKind::quit) {
            if (timeline.settle() && timeline.advanceTo(step.at + quitGrace))
                return finish({1, path + ": the quit did not finish within " +
                                      std::to_string(static_cast<int>(quitGrace)) + " s"});
            return finish(exited());
        }
        if (!timeline.settle()) return finish(exited());
    }
    if (!timeline.advanceTo(scenario.until)) return finish(exited());
    return finish({});
}

}  // namespace

std::variant<Scenario, RunResult> loadScenario(const std::string& file, const app::Application& app)
{
    const auto input = readInputFile(file, maxScenarioBytes);
    if (!input.text) return RunResult{2, shownText(file + ": " + input.problem)};
    auto read = readScenario(*input.text, [&](const std::string& name) { return app.command(name); });
    if (const auto* error = std::get_if<ValidationError>(&read))
        return RunResult{2, shownText(error->path.empty() ? file + ": " + error->message : error->text())};
    return std::get<Scenario>(std::move(read));
}

std::optional<RunResult> attachOutput(OutputFolder& output, const Scenario& scenario)
{
    return refusal(output, output.attach(outputPlan(scenario, /*withSteps=*/true)));
}

std::optional<RunResult> attachOutput(OutputFolder& output, const Scenario& scenario, OutputFolder::Runtime runtime)
{
    return refusal(output, output.attach(outputPlan(scenario, /*withSteps=*/false), runtime));
}

RunResult runScenario(const Scenario& scenario, OutputFolder& output, std::unique_ptr<app::Application> app)
{
    auto scheduler = std::make_shared<dispatch::ManualScheduler>(scenario.clock);
    dispatch::install(scheduler);
    // Temporary names count from the start of each run, so that reruns match.
    core::useCountedUniqueNames(true);
    RunResult result;
    {
        RunDesktop desktop(scenario, output);
        auto& services = desktop.services();
        result = play(scenario, *app, *scheduler,
                      {desktop.world(), simulated<sim::SimInput>(services.input),
                       simulated<sim::SimHotKeys>(services.hotKeys), simulated<sim::SimCapture>(services.capture),
                       simulated<sim::SimVirtualDisplays>(services.virtualDisplays)},
                      output);
        app.reset();
        scheduler->runUntilIdle();
    }
    core::useCountedUniqueNames(false);
    dispatch::install(nullptr);
    return result;
}

RunResult runScenario(const Scenario& scenario, const std::string& folder, std::unique_ptr<app::Application> app)
{
    OutputFolder output(folder);
    if (auto refusal = attachOutput(output, scenario)) return *refusal;
    return runScenario(scenario, output, std::move(app));
}

}  // namespace scenario
