// Moving a mini window by its bar, snapping it to the screen edges, and the resize step.
#include "panels/rules/PanelGeometry.h"
#include "panels/PipPanel.h"
#include "panels/rules/ScreenRules.h"

using namespace panels;

void PipPanel::performDrag(core::Point pointer)
{
    preActionFrame = frame();
    drag_ = Drag{pointer, frame().origin};
}

void PipPanel::dragMoved(core::Point pointer)
{
    if (!drag_) return;
    core::Point origin{drag_->startOrigin.x + pointer.x - drag_->startPointer.x,
                       drag_->startOrigin.y + pointer.y - drag_->startPointer.y};
    const core::Size size = frame().size;
    const ScreenSplit split = splitScreens(ui::screens(), isVirtualDisplay());
    const auto nearest = nearestRealScreen({origin, size}, split, ui::mainScreen());
    if (nearest && !isVirtualDisplay()(nearest->displayID) && nearest->visibleFrame.width() > 1 &&
        nearest->visibleFrame.height() > 1)
        origin = clampDragOrigin(origin, size, nearest->visibleFrame);
    if (origin != frame().origin) setFrameOrigin(origin);
}

void PipPanel::endDrag()
{
    if (!drag_) return;
    drag_.reset();
    if (!enforceRealScreen("拖动")) snapToEdges();
}

void PipPanel::snapToEdges()
{
    std::optional<ui::Screen> home = screen();
    if (!home) {
        for (const ui::Screen& candidate : ui::screens()) {
            if (candidate.frame.intersects(frame())) {
                home = candidate;
                break;
            }
        }
    }
    if (!home) home = ui::mainScreen();
    if (!home) return;
    const core::Rect snapped = snappedFrame(frame(), home->visibleFrame);
    if (snapped != frame()) setFrame(snapped);
}

void PipPanel::applyResize(const core::Rect& start, core::Point delta, unsigned edges)
{
    setFrame(resizedFrame(start, delta, edges));
}
