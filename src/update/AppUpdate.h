#pragma once

#include "update/ChangeNotice.h"
#include "update/UpdateManifest.h"
#include "update/UpdateOutcome.h"
#include "platform/core/AppIdentity.h"
#include "platform/core/SystemInfo.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The update check. Until updates are fetched for real every check finds the running
// version up to date. Main thread.
class AppUpdate {
public:
    // What a check found.
    enum class CheckOutcome { upToDate };

    // The update on offer; none until a check finds one.
    static std::optional<UpdateManifest> available();
    // A check's finding: posts didChange and tells the observers when the offer changed.
    static void setAvailable(std::optional<UpdateManifest> manifest);
    // "GlimraUpdateAvailabilityChanged": the update on offer changed.
    static ChangeNotice& didChange();

    // True while a manual check is in flight.
    static bool isChecking();
    // The one way isChecking changes; tells the observers when it does.
    static void setChecking(bool checking);
    // Called on the main queue after each change of available() or isChecking(), for the
    // life of the process.
    static void addObserver(std::function<void()> observer);
    // The user's check: does nothing while one is in flight; otherwise marks the check in
    // flight and calls stateChanged, and when the check completes (on the main queue)
    // clears the mark, calls stateChanged again and presents the result.
    static void checkManually(std::function<void()> stateChanged);
    // Calls done with the outcome on the main queue.
    static void check(bool manual, std::function<void(CheckOutcome)> done);
    static void presentManualResult(CheckOutcome outcome);

    // At launch: the automatic check (none yet).
    static void autoCheckOnLaunch();
    // The update self-test of the launch arguments: writes its log line and returns.
    static void selfTest();

    // The rules of an offer (UpdateRules.cpp), free of threads and interface.

    // The running build; 0 when the build text is not an integer.
    static std::int64_t currentBuild(const core::AppIdentity& running = core::AppIdentity::current());
    // The running version text; "0" when there is none.
    static std::string currentShortVersion(const core::AppIdentity& running = core::AppIdentity::current());
    // The machine identifier; none when the system has none.
    static std::optional<std::string> fingerprint();
    // 0 to 99: where this machine stands in a staged rollout salted with salt.
    static int bucket(const std::string& fingerprint, const std::string& salt);
    // Whether this machine is offered the manifest's build; never failed.
    static UpdateOutcome decision(const UpdateManifest& manifest, std::int64_t current,
                                  const std::optional<std::string>& fingerprint);
    // True when the running system is older than the manifest's minimum; whatever cannot be
    // read, the minimum or the running version, allows the update.
    static bool requiresNewerSystem(const std::optional<std::string>& minSystemVersion,
                                    const std::optional<core::OsVersion>& cur);
    // The paragraphs that describe an offered build, translated.
    static std::string updateDetails(const UpdateManifest& manifest,
                                     const core::AppIdentity& running = core::AppIdentity::current());
};
