#pragma once

#include "platform/desktop/Types.h"
#include "platform/dispatch/WhileAlive.h"
#include "platform/ui/StatusItemView.h"

#include <memory>

namespace ui {

class StatusItem;
class StatusItemButtonWindow;

// A status item shown as a button window of our own in the primary display's status
// strip (the band above its visible frame, 24 pt when there is none), at the status-bar
// level. Buttons are packed leftwards from the strip's right edge, the first created
// rightmost, each as wide as its image and title need.
class StatusItemButton : public StatusItemView {
public:
    explicit StatusItemButton(StatusItem& item);
    ~StatusItemButton() override;

    core::Rect frame() const override;
    void contentChanged() override;
    void setHighlighted(bool highlighted) override;

private:
    // Sizes every button and packs them into the strip again.
    static void relayout();
    std::unique_ptr<StatusItemButtonWindow> makeWindow();
    // Another client destroyed the button: a new one takes its place.
    void remakeWindow();

    StatusItem& item_;
    // Gone with the button, for a remake still waiting on the main queue.
    dispatch::Lifetime<StatusItemButton> lifetime_{this};
    std::unique_ptr<StatusItemButtonWindow> window_;
    desktop::Token displayObserver_ = 0;
};

}  // namespace ui
