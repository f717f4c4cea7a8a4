#include "capture/OcclusionGate.h"

#include "foundation/Diag.h"

namespace capture {

void OcclusionGate::endEpisode(Host& host)
{
    lastOccluderNote_.reset();
    occluderSince_.reset();
    rescueAttempts_ = 0;
    evidenceSameCount_ = 0;
    prewarmed_ = false;
    borrowedLogged_ = false;
    evidenceDigest_.reset();
    Diag::log("遮挡状态: 源窗口恢复可见（不再被完全遮挡）");
    host.withdrawFrozenNotice();
}

void OcclusionGate::tick(double now, desktop::WindowID windowID, Host& host)
{
    const auto note = host.occluderDescription();
    if (!note) {
        if (lastOccluderNote_) endEpisode(host);
        return;
    }
    if (!lastOccluderNote_) {
        occluderSince_ = now;
        Diag::log("遮挡状态: 源窗口被完全遮挡 ← " + *note + "（被遮挡窗口自身会停止重绘，小窗将定格）");
    }
    lastOccluderNote_ = note;

    const std::string window = std::to_string(windowID);
    if (host.isBorrowedByPinnedPreview()) {
        if (!borrowedLogged_) {
            borrowedLogged_ = true;
            Diag::log("遮挡自救: 窗口 #" + window +
                      " 正被固定预览接管借走 ⇒ 本轮整支跳过（不采样、不吃额度、不弹提示），等它归还后自动续上");
        }
        return;
    }
    if (!prewarmed_) {
        prewarmed_ = true;
        host.prewarmDisplay();
    }

    if (host.canRequestPark() && rescueAttempts_ <= maxAttempts - 1) {
        const std::string evidence = host.windowEvidence().value_or("unavailable");
        if (evidenceDigest_) evidenceSameCount_ = evidence == *evidenceDigest_ ? evidenceSameCount_ + 1 : 0;
        evidenceDigest_ = evidence;
        if (evidenceSameCount_ < 1) return;
        if (!occluderSince_ || now - *occluderSince_ < settleTime) return;

        const auto outcome = host.requestPark();
        if (outcome == WindowParking::RescueOutcome::inCooldown) {
            Diag::log("遮挡自救: 窗口 #" + window + " 正处在还原防抖冷却中 ⇒ 这一跳不试、不吃额度，0.5s 后自动再来");
            return;
        }
        ++rescueAttempts_;
        if (outcome == WindowParking::RescueOutcome::parked) {
            host.withdrawFrozenNotice();
            return;
        }
        if (rescueAttempts_ < maxAttempts) {
            Diag::log("遮挡自救: 第 " + std::to_string(rescueAttempts_) + "/" + std::to_string(maxAttempts) +
                      " 次未接管（独立证据已确认源窗口停住）⇒ 下一跳再试");
            return;
        }
    }
    host.showFrozenNotice();
}

}  // namespace capture
