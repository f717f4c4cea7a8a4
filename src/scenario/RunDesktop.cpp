#include "scenario/RunDesktop.h"

#include "scenario/AlertJournal.h"
#include "scenario/OutputFolder.h"
#include "scenario/WorldSetup.h"

#include "platform/core/AppIdentity.h"
#include "platform/core/Environment.h"
#include "platform/core/PreferredLanguages.h"
#include "platform/core/SystemInfo.h"
#include "platform/desktop/Desktop.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimWorld.h"

namespace scenario {

RunDesktop::RunDesktop(const Scenario& scenario, OutputFolder& output) : output_(output)
{
    applySystemSettings(scenario);
    core::AppIdentity::setOverride(runIdentity(scenario.identity, core::AppIdentity::current(), output_));
    world_ = makeWorld(scenario);
    output_.recordJournal(*world_);
    desktop_ = sim::makeSimDesktop(world_);
    configureServices(scenario, *desktop_);
    desktop::install(desktop_);
    alerts_ = std::make_shared<AlertJournal>(*world_, scenario.alertAnswers);
    ui::AlertPresenter::install(alerts_);
}

RunDesktop::~RunDesktop()
{
    ui::AlertPresenter::install(nullptr);
    alerts_.reset();
    desktop::install(nullptr);
    desktop_.reset();
    output_.detach();
    world_.reset();
    core::setPreferredLanguagesOverride(std::nullopt);
    core::setEnvironmentOverride(std::nullopt);
    core::setSystemInfoOverride(std::nullopt);
    core::AppIdentity::setOverride(std::nullopt);
}

}  // namespace scenario
