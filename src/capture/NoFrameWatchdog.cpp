#include "capture/NoFrameWatchdog.h"

#include "foundation/Diag.h"

#include <cstdio>
#include <string>

namespace capture {

bool NoFrameWatchdog::check(double now, bool paused, long framesDelivered)
{
    const bool resumed = now - lastCheckAt_ > checkGap;
    lastCheckAt_ = now;
    if (paused || resumed) {
        silenceSince_ = now;
        return false;
    }
    const double silence = now - silenceSince_;
    if (silence < silenceLimit) {
        if (rebuildCount_ >= 1 && lastFrameSeenAt_ > lastRebuildAt_) {
            Diag::log("帧活性: 帧已恢复 → 无帧额度归还（原已用 " + std::to_string(rebuildCount_) + "/" +
                      std::to_string(quota) + " 次）");
            rebuildCount_ = 0;
        }
        return false;
    }
    const double spacing = rebuildCount_ < quota ? shortSpacing : longSpacing;
    if (now - lastRebuildAt_ < spacing) return false;

    ++rebuildCount_;
    lastRebuildAt_ = now;
    silenceSince_ = now;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", silence);
    Diag::log("帧活性: 已 " + std::string(seconds) + "s 没收到任何帧（delivered 停在 " +
              std::to_string(framesDelivered) + "，窗口在屏、未暂停）→ 重建流（第 " + std::to_string(rebuildCount_) +
              "/" + std::to_string(quota) + " 次）");
    return true;
}

}  // namespace capture
