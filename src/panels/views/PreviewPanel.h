#pragma once

#include "platform/desktop/Types.h"
#include "platform/ui/Window.h"

#include <QPointer>

class PipPanel;

namespace views {

class PreviewContentView;

// The hover preview's own borderless window, one level above the mini windows and a
// child window of its mini window. It ignores the mouse at rest; the pinned preview's
// forwarding mode turns the mouse on. Main thread only.
class PreviewPanel : public ui::Window {
public:
    static constexpr long windowLevel = 4;
    static constexpr double fadeInDuration = 0.15;
    static constexpr double fadeOutDuration = 0.12;

    PreviewPanel();

    PreviewContentView* const content;
    QPointer<PipPanel> ownerPanel;

    // Brings the picture back to full strength (false) over 0.15 s.
    void setDimmed(bool dimmed);
    // Lays the picture out, then shows these contents in it (none clears it).
    void displayCurrent(desktop::PixelBufferRef contents);
};

}  // namespace views
