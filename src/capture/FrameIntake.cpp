#include "capture/FrameIntake.h"

#include "capture/Fnv1a.h"
#include "capture/NumberText.h"
#include "foundation/Diag.h"
#include "platform/core/SystemLog.h"

#include <string>

namespace capture {

std::uint64_t contentFingerprint(const desktop::PixelBuffer& buffer)
{
    const long bytesPerRow = buffer.bytesPerRow;
    const int height = buffer.height;
    if (buffer.byteCount() == 0 || bytesPerRow < 128 || height < 1) return 0;
    if (buffer.byteCount() < static_cast<std::size_t>(bytesPerRow) * height) return 0;

    long columns[4];
    int used = 0;
    for (const long eighths : {1, 3, 5, 7}) {
        const long offset = bytesPerRow * eighths / 8;
        if (offset + 64 <= bytesPerRow) columns[used++] = offset;
    }
    if (used == 0) return 0;

    std::uint64_t hash = fnv1a::offsetBasis;
    for (int y = 0; y < height; y += 37) {
        const std::uint8_t* row = buffer.row(y);
        for (int c = 0; c < used; ++c) {
            const std::uint8_t* sample = row + columns[c];
            for (int j = 0; j < 16; ++j) hash = fnv1a::step(hash, sample[4 * j]);
        }
    }
    return hash;
}

bool FrameIntake::take(const desktop::Frame& frame, double now, const core::Rect& targetFrame, core::Size sourceSize)
{
    const long delivered = ++framesDelivered_;
    judgeCaptureHealth(now);

    if (delivered == 1) {
        Diag::log("收到第一帧 (source=" + wholeSizeText(targetFrame.width(), targetFrame.height()) + ")");
    } else if (delivered % 150 == 0) {
        Diag::log("帧计数 delivered=" + std::to_string(delivered) + " applied=" + std::to_string(framesApplied_.load()));
    }

    if (frame.status != desktop::FrameStatus::complete || !frame.image) {
        if (delivered <= 5) {
            core::systemLog::write("[Glimra] 第 " + std::to_string(delivered) + " 帧状态非 complete（或无像素缓冲）");
        }
        return false;
    }

    ++framesApplied_;
    recoveryAttempts_ = 0;

    const desktop::PixelBuffer& buffer = *frame.image;
    if (buffer.width != lastBufferPixelW_) {
        lastBufferPixelW_ = buffer.width;
        host_.frameWidthChanged();
    }
    if (now - lastStaleSampleAt_ >= sampleSpacing) sampleContent(buffer, now, sourceSize);
    return true;
}

void FrameIntake::judgeCaptureHealth(double now)
{
    const long delivered = framesDelivered_.load();
    const long applied = framesApplied_.load();
    if (captureDeadNotified_ && applied - appliedAtDeath_ >= 5) {
        captureDeadNotified_ = false;
        Diag::log("捕获死亡检测: 持续恢复（≥5帧应用）→ 复位");
        host_.captureRecovered();
    }
    if (applied != lastAppliedCount_) {
        lastAppliedCount_ = applied;
        lastAppliedChangeAt_ = now;
    } else if (delivered - applied >= 10 && now - lastAppliedChangeAt_ > 0.6 && !captureDeadNotified_) {
        appliedAtDeath_ = applied;
        captureDeadNotified_ = true;
        Diag::log("捕获死亡检测: delivered=" + std::to_string(delivered) + " applied=" + std::to_string(applied) +
                  " 持续无应用帧 → 通知宿主");
        host_.captureDied();
    }
}

void FrameIntake::sampleContent(const desktop::PixelBuffer& buffer, double now, core::Size sourceSize)
{
    lastStaleSampleAt_ = now;
    const std::uint64_t fp = contentFingerprint(buffer);
    lastStreamFp_ = fp;
    if (!contentHashValid_) {
        contentHashValid_ = true;
        lastContentHash_ = fp;
        staleContentTicks_ = 0;
    } else if (fp == lastContentHash_) {
        ++staleContentTicks_;
    } else {
        staleContentTicks_ = 0;
        lastContentHash_ = fp;
        lastContentChangeAt_ = now;
        host_.contentChanged();
    }
    if (staleContentTicks_ >= staleSamples) {
        // Another attempt needs a fresh run of equal samples.
        staleContentTicks_ = 0;
        host_.contentStale();
    }
    if (now - lastFingerprintLogAt_ >= 3) {
        lastFingerprintLogAt_ = now;
        Diag::log("内容指纹 delivered=" + std::to_string(framesDelivered_.load()) +
                  " applied=" + std::to_string(framesApplied_.load()) + " fp=" + hexText(fp) +
                  " 源=" + wholeSizeText(sourceSize.width, sourceSize.height) + " buf=" + std::to_string(buffer.width) +
                  "x" + std::to_string(buffer.height));
    }
}

void FrameIntake::resetForRebuild()
{
    framesDelivered_ = 0;
    framesApplied_ = 0;
    lastContentHash_ = 0;
    contentHashValid_ = false;
    staleContentTicks_ = 0;
    appliedAtDeath_ = 0;
}

}  // namespace capture
