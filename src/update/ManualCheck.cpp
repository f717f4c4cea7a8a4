#include "update/AppUpdate.h"

#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"
#include "platform/desktop/Desktop.h"
#include "update/ShortenedText.h"
#include "update/UpdateInstaller.h"

void AppUpdate::checkManually(std::function<void()> stateChanged)
{
    if (isChecking()) return;
    setChecking(true);
    if (stateChanged) stateChanged();
    check(true, [stateChanged](const UpdateOutcome& outcome) {
        setChecking(false);
        if (stateChanged) stateChanged();
        presentManualResult(outcome);
    });
}

AppUpdate::ManualAction AppUpdate::manualAction(const UpdateOutcome& outcome, const std::optional<core::OsVersion>& system)
{
    switch (outcome.kind) {
    case UpdateOutcome::Kind::failed: return {ManualAction::Kind::failed, outcome.reason, {}};
    case UpdateOutcome::Kind::upToDate: return {ManualAction::Kind::upToDate, {}, {}};
    case UpdateOutcome::Kind::update: break;
    }
    const auto kind = requiresNewerSystem(outcome.manifest.minSystemVersion, system) ? ManualAction::Kind::systemTooOld
                                                                                     : ManualAction::Kind::download;
    return {kind, {}, outcome.manifest};
}

void AppUpdate::presentManualResult(const UpdateOutcome& outcome)
{
    const ManualAction action = manualAction(outcome, desktop::operatingSystem().comparableVersion());
    const UpdateManifest& manifest = action.manifest;
    switch (action.kind) {
    case ManualAction::Kind::failed:
        alert(L10n::t("检查更新失败"),
              core::formatText(L10n::t("%@。这不影响任何功能，稍后再试即可。"), {action.reason}), {L10n::t("好")});
        break;
    case ManualAction::Kind::upToDate:
        alert(L10n::t("已是最新版本"),
              core::formatText(L10n::t("当前版本 %@（build %d）。"),
                               {currentShortVersion(), static_cast<long long>(currentBuild())}),
              {L10n::t("好")});
        break;
    case ManualAction::Kind::download:
        Diag::log("更新: 检查到新版 " + manifest.shortVersion + " build " + std::to_string(manifest.build) +
                  " → 直接开始静默下载");
        UpdateInstaller::startDownload(manifest);
        break;
    case ManualAction::Kind::systemTooOld:
        Diag::log("更新: 新版 " + manifest.shortVersion + " 要求 macOS " + ShortenedText::forLog(manifest.minSystemVersion.value_or("")) +
                  "，高于本机 → 不下载");
        alert(core::formatText(L10n::t("新版本 %@ 需要更高的系统版本"), {manifest.shortVersion}),
              updateDetails(manifest), {L10n::t("好")});
        break;
    }
}
