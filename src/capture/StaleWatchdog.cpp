#include "capture/StaleWatchdog.h"

#include "capture/Fnv1a.h"
#include "capture/NumberText.h"
#include "foundation/Diag.h"

#include <cstdio>

namespace capture {

std::optional<std::string> cgDigest(const desktop::PixelBuffer* image)
{
    if (!image) return std::nullopt;
    std::uint64_t hash = fnv1a::offsetBasis;
    const std::uint8_t* bytes = image->data();
    for (std::size_t i = 0; i < image->byteCount(); ++i) hash = fnv1a::step(hash, bytes[i]);
    char hex[24];
    std::snprintf(hex, sizeof hex, "%llX", static_cast<unsigned long long>(hash));
    return std::string(hex);
}

std::optional<std::string> imageEvidence(const desktop::PixelBufferRef& image)
{
    const auto digest = cgDigest(image.get());
    if (!digest) return std::nullopt;
    return std::to_string(image->width) + "x" + std::to_string(image->height) + " " + *digest;
}

void StaleWatchdog::contentChanged()
{
    cooldownNoted_ = false;
    if (rebuildCount_ >= 1) {
        Diag::log("僵死看门狗: 内容恢复变化 → 自救额度归还（原已用 " + std::to_string(rebuildCount_) + "/" +
                  std::to_string(quota) + " 次）");
        rebuildCount_ = 0;
        lastSkipNote_.reset();
    }
}

void StaleWatchdog::skip(const std::string& note, core::Size sourceSize)
{
    if (lastSkipNote_ == note) return;
    lastSkipNote_ = note;
    Diag::log("僵死看门狗: 跳过 —— " + note + "。捕获=" + wholeSizeText(sourceSize.width, sourceSize.height) +
              " 额度已用 " + std::to_string(rebuildCount_) + "/" + std::to_string(quota));
}

void StaleWatchdog::attempt(double now, double lastContentChangeAt, core::Size sourceSize, Host& host)
{
    if (host.mirrorPaused()) {
        skip("已暂停", sourceSize);
        return;
    }
    const auto bounds = host.sourceBounds();
    if (!bounds) {
        skip("窗口不在在屏列表（离屏/最小化/其他 Space）—— 按设计保留定格", sourceSize);
        return;
    }
    if (const auto occluder = host.occluderDescription()) {
        skip("源窗口被完全遮挡（" + *occluder + "），不重建（自救由遮挡闸门负责，它另有更快且独立的证据）", sourceSize);
        return;
    }
    host.withdrawFrozenNotice();

    const double waited = now - lastAttemptAt_;
    if (rebuildCount_ <= quota - 1 && waited <= shortSpacing) {
        if (!cooldownNoted_) {
            cooldownNoted_ = true;
            Diag::log("僵死看门狗: 冷却中（额度 " + std::to_string(rebuildCount_) + "/" + std::to_string(quota) +
                      "，30s 节流内不重复记；此刻已冷却 " + std::to_string(static_cast<long long>(waited)) + "s）");
        }
        return;
    }
    if (rebuildCount_ > quota - 1 && waited <= longSpacing) {
        if (!cooldownNoted_) {
            cooldownNoted_ = true;
            Diag::log("僵死看门狗: 已超额度 " + std::to_string(rebuildCount_) + " 次，长退避中（300s 一次，不重复记）");
        }
        return;
    }

    const auto previous = lastIndependentDigest_;
    const double previousAt = lastIndependentAt_;
    const auto evidence = host.windowEvidence();
    lastIndependentDigest_ = evidence;
    lastIndependentAt_ = now;

    if (evidence && previous && *evidence == *previous && lastContentChangeAt <= previousAt) {
        lastAttemptAt_ = now;
        skip(
            "独立证据确认源窗口自己也 ≥30s 没在画（非 SCK 截图逐位相同、且这期间我们的流内容也没变过）"
            "⇒ 这是「页面本来就不动」，僵死是忠实的，不重建",
            sourceSize);
        return;
    }

    ++rebuildCount_;
    lastAttemptAt_ = now;
    cooldownNoted_ = false;
    lastSkipNote_.reset();
    const char* basis = !evidence ? "**取证失败**（旧 API 截图不可用）⇒ 它不能当证据，按原行为重建"
                        : !previous ? "首次尝试（还没有历史独立证据，按原行为重建）"
                                    : "独立截图在变（源窗口**还在画** ⇒ 是我们的流僵了，重建才有意义）";
    std::string line = "内容僵死看门狗: 帧在流动但内容 3s 不变（第 " + std::to_string(rebuildCount_) + " 次";
    line += rebuildCount_ < quota + 1 ? "/" + std::to_string(quota) : "，已超上限 → 转长退避每 300s 一次";
    line += "）→ 重建流（依据：" + std::string(basis) +
            "）。源窗口在屏尺寸=" + wholeSizeText(bounds->width(), bounds->height()) +
            " 捕获=" + wholeSizeText(sourceSize.width, sourceSize.height);
    Diag::log(line);
    host.rebuild(rebuildReason);
}

}  // namespace capture
