#include "panels/rules/SourceAliveCheck.h"

namespace panels {

namespace {

const char* stateName(EventBridge::SourceWindowState state)
{
    switch (state) {
    case EventBridge::SourceWindowState::visible: return "visible";
    case EventBridge::SourceWindowState::hidden: return "hidden";
    case EventBridge::SourceWindowState::destroyed: return "destroyed";
    }
    return "?";
}

}  // namespace

std::vector<AliveEffect> SourceAliveCheck::tick(std::int64_t framesDelivered, const StateQuery& query, bool isPaused)
{
    using State = EventBridge::SourceWindowState;
    std::vector<AliveEffect> effects;
    const std::string id = " id=" + std::to_string(windowID_);

    if (lastFrameCount_) frozenStreak_ = *lastFrameCount_ >= framesDelivered ? frozenStreak_ + 1 : 0;
    lastFrameCount_ = framesDelivered;

    // A paused stream stalls by design: that says nothing about the source.
    const State state = query(frozenStreak_ == 0 || isPaused);
    if (lastKnownState_ != state) {
        effects.push_back(AliveEffect::log(std::string("源窗口状态: ") + stateName(state) + id));
        lastKnownState_ = state;
    }

    if (state != State::destroyed) {
        missingCount_ = 0;
        if (sourceClosing_) {
            sourceClosing_ = false;
            effects.push_back(AliveEffect::withdrawClosingHint());
        }
    }

    switch (state) {
    case State::visible: break;
    case State::hidden:
        if (frozenStreak_ > 0) {
            const bool show = !isPaused;
            if (frozenHintShown_ == show) return effects;
            frozenHintShown_ = show;
            if (show) effects.push_back(AliveEffect::log("画面定格: 源窗口已无新帧" + id));
            effects.push_back(AliveEffect::setFrozenBanner(show));
            return effects;
        }
        break;
    case State::destroyed:
        missingCount_ += 1;
        if (missingCount_ == 1) {
            sourceClosing_ = true;
            effects.push_back(AliveEffect::showClosingHint());
            effects.push_back(AliveEffect::log("源窗口疑似已关闭，开始防抖" + id));
        } else {
            effects.push_back(AliveEffect::log("源窗口已销毁，自动关闭小窗" + id));
            effects.push_back(AliveEffect::closePanel());
        }
        break;
    }

    if (frozenHintShown_) {
        frozenHintShown_ = false;
        effects.push_back(AliveEffect::setFrozenBanner(false));
    }
    return effects;
}

}  // namespace panels
