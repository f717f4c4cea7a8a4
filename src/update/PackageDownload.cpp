#include "update/PackageDownload.h"

#include "update/AppUpdate.h"
#include "update/PackagePlacement.h"
#include "update/UpdateInstaller.h"
#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"
#include "platform/core/UniqueName.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

#include <cmath>
#include <memory>
#include <unistd.h>
#include <utility>

namespace packagedownload {
namespace {

constexpr double idleTimeoutSeconds = 30;

std::uint64_t cap = std::uint64_t(1) << 30;

struct Transfer {
    UpdateManifest manifest;
    std::string partial;
    std::string destination;
    // The loader's queue only.
    int refusedStatus = 0;
    bool delivered = false;
    // The main queue only: the last whole percent shown; -2 so the first report differs.
    int lastPercent = -2;
};

// The load under way, kept for its lifetime; main queue only.
std::shared_ptr<desktop::UrlLoad>& running()
{
    static std::shared_ptr<desktop::UrlLoad> load;
    return load;
}

const dispatch::Queue& loaderQueue()
{
    static const dispatch::Queue queue("glimra.update.download");
    return queue;
}

void showProgress(Transfer& transfer, double fraction)
{
    const int percent = fraction < 0 ? -1 : int(std::trunc(fraction * 100));
    if (percent == transfer.lastPercent) return;
    transfer.lastPercent = percent;
    const auto& phase = UpdateInstaller::phase();
    if (phase.kind != UpdatePhase::Kind::downloading) return;
    UpdateInstaller::setPhase(UpdatePhase::downloading(phase.manifest, fraction));
}

std::string descriptionOf(const desktop::UrlLoadResult& result)
{
    return result.errorDetail.empty() ? std::string(desktop::urlLoadErrorName(*result.error)) : result.errorDetail;
}

void finish(const Transfer& transfer, const desktop::UrlLoadResult& result)
{
    running().reset();
    const auto& manifest = transfer.manifest;
    if (transfer.refusedStatus != 0) {
        Diag::log("更新下载: 服务器返回 " + std::to_string(transfer.refusedStatus) + "（丢弃）");
        downloadFailed(manifest, core::formatText(L10n::t("更新服务器返回错误码 %d"), {transfer.refusedStatus}));
        return;
    }
    // A body short of its declared length is no package, whatever the loader made of it.
    const auto expected = result.head.expectedLength;
    const bool complete = result.ok() && (expected < 0 || result.bytesReceived == std::uint64_t(expected));
    if (!complete) {
        ::unlink(transfer.partial.c_str());
        const auto error = result.error.value_or(desktop::UrlLoadError::connectionLost);
        Diag::log("更新下载: 失败 " + (result.error ? descriptionOf(result) : "body short of its declared length"));
        downloadFailed(manifest, AppUpdate::friendlyReason(error));
        return;
    }
    placePackage(manifest, transfer.partial, transfer.destination);
}

}  // namespace

std::uint64_t byteCap() { return cap; }

void setByteCap(std::uint64_t bytes) { cap = bytes; }

void start(const UpdateManifest& manifest, const std::string& url, const std::string& folder)
{
    auto transfer = std::make_shared<Transfer>();
    transfer->manifest = manifest;
    transfer->partial = folder + "/.partial-" + core::uniqueName();
    transfer->destination = folder + "/" + UpdateInstaller::packageFileName(manifest);

    desktop::UrlRequest request;
    request.url = url;
    request.idleTimeout = idleTimeoutSeconds;
    request.maxBytes = cap;
    request.downloadPath = transfer->partial;

    desktop::UrlLoadHandlers handlers{
        .queue = loaderQueue(),
        // An error page must never become the package: refused before a byte is written.
        .onResponse =
            [transfer](const desktop::UrlResponseHead& head) {
                if (head.status >= 200 && head.status < 300) return true;
                transfer->refusedStatus = head.status;
                return false;
            },
        .onProgress =
            [transfer](std::uint64_t received, std::int64_t expected) {
                const double fraction = expected < 1 ? -1.0 : double(received) / double(expected);
                dispatch::main().async([transfer, fraction] { showProgress(*transfer, fraction); });
            },
        .onFinished =
            [transfer](const desktop::UrlLoadResult& result) {
                if (std::exchange(transfer->delivered, true)) return;
                dispatch::main().async([transfer, result] { finish(*transfer, result); });
            },
    };
    running() = desktop::urlLoading().start(std::move(request), std::move(handlers));
}

}  // namespace packagedownload
