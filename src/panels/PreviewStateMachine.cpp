#include "panels/PreviewStateMachine.h"

namespace panels {
namespace {

std::string flag(bool value) { return value ? "true" : "false"; }

}  // namespace

PreviewPhase previewPhase(const PreviewFlags& flags)
{
    if (flags.pinned) return PreviewPhase::pinned;
    if (flags.visible) return PreviewPhase::shown;
    if (flags.fadingOut) return PreviewPhase::fadingOut;
    if (flags.timerPending) return PreviewPhase::armed;
    return PreviewPhase::idle;
}

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
