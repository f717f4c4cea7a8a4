#pragma once

#include <cstdint>

namespace panels {

// Which hint the status label shows and when each kind leaves. The view shows the text
// and runs the fades; this decides them.
enum class HintKind {
    none,
    ordinary,     // withdrawn by the next usable frame
    closing,      // the source-gone hint: kept by frames while the panel closes
    doze,         // lasting, withdrawn by hideFreezeHint()
    captureDead,  // lasting, withdrawn by a frame once fullscreenHintActive is cleared
    timed,        // withdrawn by its own fade
};

class HintTracker {
public:
    using Token = std::uint64_t;

    static constexpr double fadeInDuration = 0.2;
    static constexpr double withdrawFadeDuration = 0.2;
    static constexpr double timedFadeDuration = 0.3;

    // showHint: a new text replaces the one showing; no flag changes.
    void show(HintKind kind);
    // showTransientHint: the token identifies this hint when its time comes.
    Token showTimed();
    // The panel sets the flag before a lasting hint and clears it when the cause ends.
    void setFullscreenHintActive(bool active) { fullscreenHintActive_ = active; }

    // Each answers true when the label is to fade out now.
    // A timed hint's time came.
    bool timedHintDue(Token token);
    // Only the doze hint, and only while it shows.
    bool hideFreezeHint();
    // A usable frame arrived.
    bool frameArrived(bool sourceClosing);
    // The source came back: the closing hint leaves if it still shows.
    bool withdrawClosingHint();

    HintKind showing() const { return showing_; }
    bool visible() const { return showing_ != HintKind::none; }
    bool transientHintActive() const { return transientHintActive_; }
    bool fullscreenHintActive() const { return fullscreenHintActive_; }

private:
    bool hide();

    HintKind showing_ = HintKind::none;
    Token showingToken_ = 0;
    Token lastToken_ = 0;
    bool transientHintActive_ = false;
    bool fullscreenHintActive_ = false;
};

}  // namespace panels
