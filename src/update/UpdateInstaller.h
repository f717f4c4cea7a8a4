#pragma once

#include "update/ChangeNotice.h"
#include "update/UpdateManifest.h"

#include <string>

// Where the installer stands with the update on offer.
struct UpdatePhase {
    enum class Kind { idle, available, downloading, ready, installing };

    Kind kind = Kind::idle;
    UpdateManifest manifest;  // every phase but idle
    double fraction = 0;      // downloading: the share done; below 0 when the size is unknown
    std::string file;         // ready: the downloaded image

    static UpdatePhase available(UpdateManifest manifest) { return {Kind::available, std::move(manifest), 0, {}}; }
    static UpdatePhase downloading(UpdateManifest manifest, double fraction)
    {
        return {Kind::downloading, std::move(manifest), fraction, {}};
    }
    static UpdatePhase ready(UpdateManifest manifest, std::string file)
    {
        return {Kind::ready, std::move(manifest), 0, std::move(file)};
    }
    static UpdatePhase installing(UpdateManifest manifest) { return {Kind::installing, std::move(manifest), 0, {}}; }

    bool operator==(const UpdatePhase&) const = default;
};

// Downloads and installs the update on offer. Until updates are fetched for real nothing
// is ever offered: the phase stays idle unless a test sets it, and the two actions only
// log. Main thread.
class UpdateInstaller {
public:
    static const UpdatePhase& phase();
    // Posts didChange when the phase differs from the current one.
    static void setPhase(UpdatePhase phase);
    // "GlimraUpdatePhaseChanged".
    static ChangeNotice& didChange();

    static void startDownload(const UpdateManifest& manifest);
    static void installAndRelaunch();
};
