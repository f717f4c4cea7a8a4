#include "panels/pin/FrontHandoff.h"

#include <cstdio>

namespace pin {

HandoffStep frontHandoffStep(desktop::Pid target, desktop::Pid front, double waited)
{
    if (front != target && waited < handoffTimeout) return {true, waited + handoffPollInterval, {}};
    if (front != target) {
        return {false, waited,
                "退出固定: 等前台交还超时（0.6s，目标 pid=" + std::to_string(target) +
                    " 实际=" + std::to_string(front) + "）⇒ 照常还原源窗口"};
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", waited);
    return {false, waited,
            "退出固定: 前台已交还给 pid=" + std::to_string(target) + "（等待 " + seconds + "s）" +
                "⇒ 现在还原源窗口（此时它在目标应用之下，几何改动不可见）"};
}

}  // namespace pin
