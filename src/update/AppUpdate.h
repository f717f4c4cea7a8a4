#pragma once

#include "update/ChangeNotice.h"
#include "update/UpdateManifest.h"
#include "update/UpdateOutcome.h"
#include "platform/core/AppIdentity.h"
#include "platform/core/SystemInfo.h"
#include "platform/desktop/UrlLoading.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The update check and what a manual check leads to. Main thread unless said otherwise.
class AppUpdate {
public:
    // What a manual check's outcome leads to.
    struct ManualAction {
        enum class Kind { failed, systemTooOld, download, upToDate };
        Kind kind = Kind::upToDate;
        std::string reason;       // failed
        UpdateManifest manifest;  // systemTooOld, download

        bool operator==(const ManualAction&) const = default;
    };

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

    // The manifest's address: "updateManifestURL" when set, else the built-in endpoint;
    // none when the setting is not an acceptable download address.
    static std::optional<std::string> manifestURL();
    // One check. done (optional) gets the outcome on the main queue, once; at once on the
    // calling thread when there is no address.
    static void check(bool manual, std::function<void(const UpdateOutcome&)> done);
    // At launch: a check 8 s later unless the last one is less than a day old.
    static void autoCheckOnLaunch();
    // The short translated phrase for a failed load; none: not a loading error.
    static std::string friendlyReason(std::optional<desktop::UrlLoadError> error);

    // The user's check: does nothing while one is in flight; otherwise marks the check in
    // flight and calls stateChanged, and when the check completes (on the main queue)
    // clears the mark, calls stateChanged again and presents the result.
    static void checkManually(std::function<void()> stateChanged);
    static ManualAction manualAction(const UpdateOutcome& outcome, const std::optional<core::OsVersion>& system);
    static void presentManualResult(const UpdateOutcome& outcome);

    // The updater's modal alert: activates the application; returns 1000 for the first
    // button, 1001 for the second, 1002 for the third.
    static long alert(const std::string& message, const std::string& info, const std::vector<std::string>& buttons);

    // The update self-test of the launch arguments; returns the number of failed cases.
    static int selfTest();

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
