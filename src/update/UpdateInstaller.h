#pragma once

#include "update/ChangeNotice.h"
#include "update/InstallAcceptance.h"
#include "update/SelfTestRecord.h"
#include "update/UpdateManifest.h"
#include "update/UpdateOutcome.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Where the installer stands with the update on offer.
struct UpdatePhase {
    enum class Kind { available, downloading, ready, installing, idle };

    Kind kind = Kind::idle;
    UpdateManifest manifest;  // every phase but idle
    double fraction = 0;      // downloading: the share done; below 0 when the size is unknown
    std::string file;         // ready: the downloaded package

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
    // "ready(1.2.0 build 120, /path)": the case name and its payload, for logs.
    std::string description() const;
};

// A refusal of staging: the translated reason, ready to show.
struct InstallError {
    std::string message;
};

// Downloads, verifies and installs the update on offer. Main thread unless said otherwise.
class UpdateInstaller {
public:
    // The phase (UpdatePhase.cpp).
    static const UpdatePhase& phase();
    // Posts didChange when the phase differs from the current one.
    static void setPhase(UpdatePhase phase);
    // "GlimraUpdatePhaseChanged".
    static ChangeNotice& didChange();
    // After each check: the phase for the update now on offer (none: no update).
    static void apply(const std::optional<UpdateManifest>& available);
    // The one failure alert of download and installation; silent while prompts are
    // suppressed.
    static void presentFailure(const std::string& reason);
    static bool suppressPrompts();
    static void setSuppressPrompts(bool suppress);

    // The download (UpdateDownload.cpp).
    static void startDownload(const UpdateManifest& manifest);
    // The address when it may be downloaded from: https anywhere, http only on loopback.
    static std::optional<std::string> acceptableURL(const std::string& text);
    // "<data>/Glimra/updates", created (0700) when asked for; none when it cannot be.
    static std::optional<std::string> updatesDir();
    // "Glimra-<version>-<build>.tar.gz", the version made safe for a file name.
    static std::string packageFileName(const UpdateManifest& manifest);
    // Lower-case hexadecimal SHA-256 of the file; none when it cannot be opened.
    static std::optional<std::string> sha256OfFile(const std::string& path);
    // The once-per-build question once a package is ready.
    static void presentReadyPrompt();

    // The installation (UpdateInstall.cpp).
    static void installAndRelaunch();
    // The running copy's team: the ids of the update keys it trusts (TrustedKeys.h); none
    // for an ad hoc copy, which has none, and without a bundle.
    static std::optional<std::string> signingTeamID();
    // Whether this copy replaces itself: "forceSelfReplace" or a trusted signature.
    static bool allowsSelfReplace();

    // The self-tests, reporting through the update self-test's recorder.
    // The download address rule, the digest, the acceptance rule, the self-replacement rule,
    // then selfTestReplaceMechanism.
    static void selfTest(const SelfTestRecord& record);
    // Downloads the update the real check found, silently, and checks the file.
    static void selfTestRealDownload(const std::optional<UpdateOutcome>& outcome, const SelfTestRecord& record);
    // Runs the real replace script on two throw-away bundles; with an exchanger (an
    // executable that swaps folders as the installed one does), the script that swaps them.
    static void selfTestReplaceMechanism(const SelfTestRecord& record, const std::optional<std::string>& exchanger);
};

// Runs block once on the main queue after seconds.
void runOnMainAfter(double seconds, std::function<void()> block);
