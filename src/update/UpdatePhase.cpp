#include "update/UpdateInstaller.h"

#include "platform/core/Geometry.h"

namespace {

UpdatePhase& currentPhase()
{
    static UpdatePhase phase;
    return phase;
}

bool promptsSuppressed = false;

std::string buildText(const UpdateManifest& manifest)
{
    return manifest.shortVersion + " build " + std::to_string(manifest.build);
}

}  // namespace

std::string UpdatePhase::description() const
{
    switch (kind) {
    case Kind::available: return "available(" + buildText(manifest) + ")";
    case Kind::downloading: return "downloading(" + buildText(manifest) + ", " + core::numberText(fraction) + ")";
    case Kind::ready: return "ready(" + buildText(manifest) + ", " + file + ")";
    case Kind::installing: return "installing(" + buildText(manifest) + ")";
    case Kind::idle: break;
    }
    return "idle";
}

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

void UpdateInstaller::apply(const std::optional<UpdateManifest>& available)
{
    const UpdatePhase& current = phase();
    if (current.kind == UpdatePhase::Kind::downloading || current.kind == UpdatePhase::Kind::installing) return;
    // A package already verified for the offered build stays ready.
    if (current.kind == UpdatePhase::Kind::ready && available && available->build == current.manifest.build) return;
    setPhase(available ? UpdatePhase::available(*available) : UpdatePhase{});
}

bool UpdateInstaller::suppressPrompts() { return promptsSuppressed; }

void UpdateInstaller::setSuppressPrompts(bool suppress) { promptsSuppressed = suppress; }
