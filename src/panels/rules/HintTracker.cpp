#include "panels/rules/HintTracker.h"

namespace panels {

void HintTracker::show(HintKind kind)
{
    showing_ = kind;
    showingToken_ = 0;
}

HintTracker::Token HintTracker::showTimed()
{
    transientHintActive_ = true;
    showing_ = HintKind::timed;
    showingToken_ = ++lastToken_;
    return showingToken_;
}

bool HintTracker::timedHintDue(Token token)
{
    const bool ownHintShows = showing_ == HintKind::timed && showingToken_ == token;
    // A later timed hint keeps the flag for its own fade; any other hint that replaced
    // this one leaves by its own rule.
    if (ownHintShows || showing_ != HintKind::timed) transientHintActive_ = false;
    return ownHintShows && hide();
}

bool HintTracker::hideFreezeHint()
{
    if (showing_ != HintKind::doze) return false;
    fullscreenHintActive_ = false;
    return hide();
}

bool HintTracker::frameArrived(bool sourceClosing)
{
    if (!visible() || fullscreenHintActive_ || transientHintActive_ || sourceClosing) return false;
    return hide();
}

bool HintTracker::withdrawClosingHint() { return showing_ == HintKind::closing && hide(); }

bool HintTracker::hide()
{
    showing_ = HintKind::none;
    showingToken_ = 0;
    return true;
}

}  // namespace panels
