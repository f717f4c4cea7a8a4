#include "panels/pin/RestoreRetry.h"

#include <cmath>

namespace pin {

RestoreRetry::RestoreRetry(desktop::WindowID windowID, desktop::Pid pid, const core::Rect& savedFrame)
    : windowID_(windowID), pid_(pid), savedFrame_(savedFrame)
{
}

bool RestoreRetry::landed(const std::optional<core::Rect>& frame) const
{
    const auto near = [](double a, double b) { return std::abs(a - b) <= landingSlack; };
    return frame && near(frame->x(), savedFrame_.x()) && near(frame->y(), savedFrame_.y()) &&
           near(frame->width(), savedFrame_.width()) && near(frame->height(), savedFrame_.height());
}

RestoreRetry::Outcome RestoreRetry::afterTry(int attempt, bool restored) const
{
    // Parking is settled only under a real window number: 0 would name no window.
    const std::optional<desktop::WindowID> settle =
        windowID_ != 0 ? std::optional<desktop::WindowID>(windowID_) : std::nullopt;
    if (restored && canWrite()) {
        std::string line = "接管预览退出: 恢复源窗口 frame=" + core::rectText(savedFrame_) + " 成功";
        if (attempt >= 1) line += "（重试第" + std::to_string(attempt) + "次）";
        return {Outcome::Kind::restored, std::move(line), 0, settle};
    }
    if (attempt < lastAttempt) return {Outcome::Kind::retry, {}, attempt + 1, std::nullopt};
    return {Outcome::Kind::gaveUp,
            "接管预览退出: 恢复彻底失败 frame=" + core::rectText(savedFrame_) + " pid=" + std::to_string(pid_), 0,
            settle};
}

}  // namespace pin
