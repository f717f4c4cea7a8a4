#include "update/AppUpdate.h"

#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "update/LoadErrorTexts.h"
#include "update/ManifestDecoding.h"
#include "update/UpdateInstaller.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* builtInEndpoint = "https://updates.glimra.app/v1.json";
constexpr double checkTimeout = 10;
// A manifest is a few hundred bytes; anything near this is not one.
constexpr std::uint64_t manifestByteCap = 1 << 20;
constexpr double launchCheckDelay = 8.0;
constexpr double throttleHours = 24;

dispatch::Queue& checkQueue()
{
    static dispatch::Queue queue("update-check");
    return queue;
}

// Runs on the check's own queue: decodes, decides and logs.
UpdateOutcome outcomeOf(const desktop::UrlLoadResult& result)
{
    if (result.error) {
        const std::string description =
            result.errorDetail.empty() ? std::string(desktop::urlLoadErrorName(*result.error)) : result.errorDetail;
        Diag::log("更新检查: 拉取失败 URLError " + std::to_string(LoadErrorTexts::code(*result.error)) + " " +
                  description + "（静默忽略，不影响使用）");
        return UpdateOutcome::failed(AppUpdate::friendlyReason(result.error));
    }
    const int status = result.head.status;
    if (status != 0 && (status < 200 || status > 299)) {
        Diag::log("更新检查: 服务器返回 " + std::to_string(status) + "（静默忽略）");
        return UpdateOutcome::failed(core::formatText(L10n::t("更新服务器返回错误码 %d"), {status}));
    }
    const auto manifest = result.body.empty() ? std::nullopt : decodeManifest(result.body);
    if (!manifest) {
        Diag::log("更新检查: 清单解析失败（" + std::to_string(result.body.size()) + " 字节，静默忽略）");
        return UpdateOutcome::failed(L10n::t("更新服务器返回的清单看不懂"));
    }
    const std::int64_t current = AppUpdate::currentBuild();
    UpdateOutcome outcome = AppUpdate::decision(*manifest, current, AppUpdate::fingerprint());
    const std::string rollout =
        manifest->rolloutPercent ? std::to_string(*manifest->rolloutPercent) + "%" : std::string("全量");
    Diag::log("更新检查: 清单 版本 " + manifest->shortVersion + " build " + std::to_string(manifest->build) +
              "（本地 " + std::to_string(current) + "）" + " 灰度 " + rollout + " → " +
              (outcome.kind == UpdateOutcome::Kind::update ? "有更新" : "本次不提示"));
    return outcome;
}

// Main queue: the stamp, the offer, the installer's phase, then the caller.
void applyOutcome(const UpdateOutcome& outcome, const std::function<void(const UpdateOutcome&)>& done)
{
    defaults::setting::updateLastCheckAt.write(dispatch::wallClock());
    if (outcome.kind == UpdateOutcome::Kind::update) AppUpdate::setAvailable(outcome.manifest);
    if (outcome.kind == UpdateOutcome::Kind::upToDate) AppUpdate::setAvailable(std::nullopt);
    UpdateInstaller::apply(AppUpdate::available());
    if (done) done(outcome);
}

}  // namespace

std::optional<std::string> AppUpdate::manifestURL()
{
    const auto configured = defaults::setting::updateManifestURL.stored();
    if (!configured || configured->empty()) return std::string(builtInEndpoint);
    // An override is held to the download rule: no plain http off this machine.
    return UpdateInstaller::acceptableURL(*configured);
}

void AppUpdate::check(bool manual, std::function<void(const UpdateOutcome&)> done)
{
    const auto url = manifestURL();
    if (!url) {
        Diag::log("更新检查: 端点无效");
        if (done) done(UpdateOutcome::failed(L10n::t("更新地址配置无效")));
        return;
    }
    Diag::log("更新检查: 开始（" + std::string(manual ? "手动" : "自动") + "）当前 " + currentShortVersion() +
              " build " + std::to_string(currentBuild()) + " → " + *url);
    desktop::UrlRequest request;
    request.url = *url;
    request.idleTimeout = checkTimeout;
    request.totalTimeout = checkTimeout;
    request.maxBytes = manifestByteCap;
    desktop::urlLoading().start(
        std::move(request),
        {.queue = checkQueue(),
         .onResponse = nullptr,
         .onProgress = nullptr,
         .onFinished = [done = std::move(done)](const desktop::UrlLoadResult& result) {
             dispatch::main().async([outcome = outcomeOf(result), done] { applyOutcome(outcome, done); });
         }});
}

void AppUpdate::autoCheckOnLaunch()
{
    if (const auto stored = defaults::setting::updateLastCheckAt.stored(); stored && std::isfinite(*stored)) {
        const double hours = std::trunc((dispatch::wallClock() - *stored) / 3600);
        if (hours < throttleHours) {
            // Clamped so that a stamp absurdly far ahead still prints as a number.
            const auto shown = static_cast<long long>(std::max(hours, -9.0e18));
            Diag::log("更新检查: 距上次 " + std::to_string(shown) + "h，本次跳过（节流 24h）");
            return;
        }
    }
    dispatch::main().asyncAfter(launchCheckDelay, [] { check(false, nullptr); });
}
