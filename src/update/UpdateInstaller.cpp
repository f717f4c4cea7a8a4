#include "update/UpdateInstaller.h"

#include "foundation/Diag.h"

namespace {

UpdatePhase& currentPhase()
{
    static UpdatePhase phase;
    return phase;
}

}  // namespace

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

void UpdateInstaller::startDownload(const UpdateManifest& manifest)
{
    Diag::log("update download of " + manifest.shortVersion + " build " + std::to_string(manifest.build) +
              " requested (updates not built yet, nothing downloaded)");
}

void UpdateInstaller::installAndRelaunch()
{
    Diag::log("update install requested (updates not built yet, nothing installed)");
}
