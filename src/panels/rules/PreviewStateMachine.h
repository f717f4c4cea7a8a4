#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The hover preview's decisions over the content view's own flags, and the bookkeeping of
// its fade-out: a show, or a newer fade-out, during a fade keeps the panel on screen.
// Pure.
namespace panels {

struct PreviewFlags {
    bool timerPending = false;  // a delayed show is armed
    bool visible = false;       // shown or fading in
    bool pinned = false;
    bool fadingOut = false;
};

class PreviewStateMachine {
public:
    using FadeTicket = std::uint64_t;

    // None when a hover may arm the delayed show, else the line logged instead.
    static std::optional<std::string> scheduleSkipLine(bool enabled, const PreviewFlags& flags);

    // A fade-out begins; its end presents the ticket.
    FadeTicket beginFadeOut();
    // A show took the panel back: no fade running now may order it out.
    void shown();
    bool isFadingOut() const { return fading_; }
    // Whether the fade with this ticket, ending now, orders the panel out: only the
    // latest fade, and only while the preview is still not visible.
    bool fadeEnded(FadeTicket ticket, bool visibleNow);

private:
    FadeTicket latest_ = 0;
    bool fading_ = false;
};

}  // namespace panels
