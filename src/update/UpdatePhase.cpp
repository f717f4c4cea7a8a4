#include "update/UpdateInstaller.h"

#include "update/AppUpdate.h"
#include "platform/ui/AlertPresenter.h"

namespace {

UpdatePhase& currentPhase()
{
    static UpdatePhase phase;
    return phase;
}

bool promptsSuppressed = false;

}  // namespace

std::string UpdatePhase::description() const { return {}; }

const UpdatePhase& UpdateInstaller::phase() { return currentPhase(); }

void UpdateInstaller::setPhase(UpdatePhase phase)
{
    if (phase == currentPhase()) return;
    currentPhase() = std::move(phase);
    didChange().post();
}

ChangeNotice& UpdateInstaller::didChange()
{
    static ChangeNotice notice("GlimraUpdatePhaseChanged");
    return notice;
}

void UpdateInstaller::apply(const std::optional<UpdateManifest>&) {}

void UpdateInstaller::presentFailure(const std::string&) {}

bool UpdateInstaller::suppressPrompts() { return promptsSuppressed; }

void UpdateInstaller::setSuppressPrompts(bool suppress) { promptsSuppressed = suppress; }

long AppUpdate::alert(const std::string&, const std::string&, const std::vector<std::string>&)
{
    return ui::firstButtonResponse;
}
