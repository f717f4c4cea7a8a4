#include "update/AppUpdate.h"

#include "platform/dispatch/Queue.h"

std::optional<std::string> AppUpdate::manifestURL() { return std::nullopt; }

void AppUpdate::check(bool, std::function<void(const UpdateOutcome&)> done)
{
    if (done) dispatch::main().async([done = std::move(done)] { done(UpdateOutcome::upToDate()); });
}

void AppUpdate::autoCheckOnLaunch() {}

std::string AppUpdate::friendlyReason(std::optional<desktop::UrlLoadError>) { return {}; }
