#pragma once

#include <QPointer>

#include <vector>

class PipPanel;

namespace app {

// Hiding every mini window from a hot key: the show/hide toggle and the temporary hiding
// while the hold key is down. Main thread only.
class HotKeyPanelHiding {
public:
    // Ends a hold hiding first; then hides every panel when any is visible, else shows
    // every panel.
    void togglePanelsVisibility();

    // The hold key's onPress and onRelease. Panels hidden before the key went down stay
    // hidden after it comes up; panels closed meanwhile are not shown again.
    void beginHoldHide();
    void endHoldHide();

    bool holdActive() const { return holdActive_; }
    const std::vector<QPointer<PipPanel>>& holdRestoreList() const { return holdRestoreList_; }

    // Puts one panel away the way every hot-key hiding does: its pending preview show
    // cancelled, a pinned preview left (so a taken-over window goes back), the preview
    // hidden, the panel ordered out.
    static void hidePanel(PipPanel& panel);

private:
    bool holdActive_ = false;
    std::vector<QPointer<PipPanel>> holdRestoreList_;
};

}  // namespace app
