#pragma once

#include "update/UpdateManifest.h"

#include <string>

// What one update check found.
struct UpdateOutcome {
    enum class Kind { failed, update, upToDate };

    Kind kind = Kind::upToDate;
    std::string reason;       // failed: short and already translated
    UpdateManifest manifest;  // update: the build this machine is offered

    static UpdateOutcome failed(std::string reason) { return {Kind::failed, std::move(reason), {}}; }
    static UpdateOutcome update(UpdateManifest manifest) { return {Kind::update, {}, std::move(manifest)}; }
    static UpdateOutcome upToDate() { return {}; }

    bool operator==(const UpdateOutcome&) const = default;
};
