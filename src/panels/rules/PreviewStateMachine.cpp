#include "panels/rules/PreviewStateMachine.h"

namespace panels {
namespace {

std::string flag(bool value) { return value ? "true" : "false"; }

}  // namespace

std::optional<std::string> PreviewStateMachine::scheduleSkipLine(bool enabled, const PreviewFlags& flags)
{
    if (enabled && !flags.timerPending && !flags.visible && !flags.pinned) return std::nullopt;
    return "schedulePreviewShow 跳过: enabled=" + flag(enabled) + " timer=" + flag(flags.timerPending) +
           " visible=" + flag(flags.visible) + " pinned=" + flag(flags.pinned);
}

PreviewStateMachine::FadeTicket PreviewStateMachine::beginFadeOut()
{
    fading_ = true;
    return ++latest_;
}

void PreviewStateMachine::shown()
{
    fading_ = false;
    ++latest_;
}

bool PreviewStateMachine::fadeEnded(FadeTicket ticket, bool visibleNow)
{
    if (ticket != latest_) return false;
    fading_ = false;
    return !visibleNow;
}

}  // namespace panels
