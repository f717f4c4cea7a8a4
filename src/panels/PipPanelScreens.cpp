// Keeping mini windows off the parking display's virtual screens, and re-sizing them
// after the display configuration changed.
#include "capture/StreamMirror.h"
#include "foundation/Diag.h"
#include "panels/rules/PanelDefaults.h"
#include "panels/rules/PanelGeometry.h"
#include "panels/rules/PanelLayoutLog.h"
#include "panels/PipPanel.h"
#include "panels/rules/ScreenRules.h"
#include "parking/VirtualDisplayController.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/TitleBar.h"

#include <QPointer>

using namespace panels;

namespace {

constexpr double replugDelays[] = {0.8, 2.0};

ScreenSplit currentSplit() { return splitScreens(ui::screens(), PipPanel::isVirtualDisplay()); }

// Its latch keeps a change of the touching rule to one log line.
VirtualScreenCriterion& criterion()
{
    static VirtualScreenCriterion instance;
    return instance;
}

std::vector<dispatch::WorkItem>& replugWork()
{
    static std::vector<dispatch::WorkItem> items;
    return items;
}

bool largerThanAPoint(const core::Rect& frame) { return frame.width() > 1 && frame.height() > 1; }

}  // namespace

std::function<bool(desktop::DisplayID)>& PipPanel::isVirtualDisplay()
{
    static std::function<bool(desktop::DisplayID)> test = [](desktop::DisplayID displayID) {
        return VirtualDisplayController::shared().isVirtual(displayID);
    };
    return test;
}

std::vector<ui::Screen> PipPanel::realScreens() { return currentSplit().real; }

std::vector<ui::Screen> PipPanel::virtualScreens() { return currentSplit().virtualScreens; }

bool PipPanel::hitsVirtualScreen(const core::Rect& frame) { return criterion().hits(frame, currentSplit()); }

bool PipPanel::enforceRealScreen(const std::string& reason)
{
    const ScreenSplit split = currentSplit();
    if (!criterion().hits(frame(), split)) return false;

    const auto main = ui::mainScreen();
    const std::vector<Candidate> candidates{
        {preActionFrame, "回到动作前位置"},
        {legalizedFrame(frame(), split, main), "最近真屏等价点"},
        {realTopLeftFrame(frame().size, split, main), "真屏可见区左上角"},
    };
    const auto chosen = firstLegalCandidate(candidates, criterion(), split);
    preActionFrame.reset();
    if (!chosen) {
        Diag::log(rollbackGiveUpLine(appName(), target.windowID, reason));
        return false;
    }
    const core::Rect from = frame();
    setFrame(*candidates[*chosen].frame);
    Diag::log(rollbackLine(appName(), target.windowID, reason, from, candidates[*chosen].label, frame()));
    return true;
}

core::Rect PipPanel::clearOfVirtualScreens(const core::Rect& frame)
{
    return panels::clearOfVirtualScreens(frame, criterion(), currentSplit(), ui::mainScreen());
}

int PipPanel::rescuePanelsOffVirtualScreen()
{
    const ScreenSplit split = currentSplit();
    std::vector<PipPanel*> stranded;
    for (PipPanel* panel : all())
        if (criterion().hits(panel->frame(), split)) stranded.push_back(panel);
    if (stranded.empty()) return 0;
    const std::optional<ui::Screen> home = !split.real.empty() ? std::optional(split.real.front()) : ui::mainScreen();
    if (!home) return 0;

    const core::Rect& V = home->visibleFrame;
    for (PipPanel* panel : stranded) {
        const core::Size size = panel->frame().size;
        panel->setFrame({V.minX() + screenMargin, V.maxY() - screenMargin - size.height, size.width, size.height});
        Diag::log(rescueLine(panel->appName(), panel->target.windowID, home->localizedName));
    }
    return static_cast<int>(stranded.size());
}

void PipPanel::handleScreenReconfiguration()
{
    const bool resizeCounts = desktop::displays().resizeCountsAsNewScreen();
    const std::vector<ui::Screen> screens = ui::screens();
    const std::vector<core::Rect> screenFrames = framesOf(screens), workAreas = visibleFramesOf(screens);
    std::vector<PipPanel*> changed, outsideWorkArea;
    bool offScreen = false;
    for (PipPanel* panel : all()) {
        if (resizeCounts) panel->followWindowSystemFrame();
        if (!panel->isVisible()) {
            panel->relayoutWhenShown_ = panel->relayoutWhenShown_ || resizeCounts;
            continue;
        }
        if (panel->screenChangedSinceSized())
            changed.push_back(panel);
        else if (resizeCounts && !whollyInside(panel->frame(), screenFrames))
            offScreen = true;
        else if (resizeCounts && !whollyInside(panel->frame(), workAreas))
            outsideWorkArea.push_back(panel);
    }
    if (changed.empty() && !offScreen) {
        // Where the work area follows panels and trays coming and going, the user's
        // arrangement stays: only what it no longer holds moves, just inside it.
        const ScreenSplit split = currentSplit();
        for (PipPanel* panel : outsideWorkArea)
            if (const auto inside = legalizedFrame(panel->frame(), split, ui::mainScreen())) panel->setFrame(*inside);
        return;
    }

    performReplugLayout(changed);

    if (!changed.empty()) {
        for (const auto& item : replugWork()) item.cancel();
        replugWork().clear();
        std::vector<QPointer<PipPanel>> held(changed.begin(), changed.end());
        for (double delay : replugDelays) {
            replugWork().push_back(dispatch::main().asyncAfter(delay, [held] {
                std::vector<PipPanel*> visible;
                for (const auto& panel : held)
                    if (panel && isRegistered(panel) && panel->isVisible()) visible.push_back(panel);
                if (!visible.empty()) performReplugLayout(visible);
            }));
        }
    }
    Diag::log(reconfigurationLine(changed.size()));
}

bool PipPanel::screenChangedSinceSized() const
{
    return screenChanged(screen(), lastSizedScreenID, lastSizedScreenFrame,
                         desktop::displays().resizeCountsAsNewScreen());
}

std::optional<ui::Screen> PipPanel::layoutScreen() const
{
    if (auto current = screen()) return current;
    if (!desktop::displays().resizeCountsAsNewScreen()) return std::nullopt;
    return nearestRealScreen(frame(), currentSplit(), ui::mainScreen());
}

// Frames count up from the first screen's bottom edge: once that screen's height changed, a
// frame taken before no longer says where the window is, and a move the window manager made
// may have been taken against the old height. Without a window system the frame is the truth.
void PipPanel::followWindowSystemFrame()
{
    if (ui::hasWindowSystem() && geometry() != ui::qtGeometry(frame())) setFrame(ui::screenFrame(geometry()));
}

void PipPanel::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    ui::Window::setVisible(visible);
    if (showing && relayoutWhenShown_) {
        relayoutWhenShown_ = false;
        // After the showing: panels shown together are laid out by the first of these, and
        // the others find nothing changed.
        dispatch::main().async([] { handleScreenReconfiguration(); });
    }
}

void PipPanel::performReplugLayout(const std::vector<PipPanel*>& changed)
{
    std::map<PipPanel*, core::Size> sizes;
    for (PipPanel* panel : changed) sizes[panel] = panel->rebuildSizeForCurrentScreen();
    arrangeAllPips(sizes);
}

core::Size PipPanel::rebuildSizeForCurrentScreen()
{
    std::optional<ui::Screen> home = layoutScreen();
    if (!home) {
        for (const ui::Screen& candidate : ui::screens()) {
            if (candidate.visibleFrame.intersects(frame())) {
                home = candidate;
                break;
            }
        }
    }
    if (!home) home = ui::mainScreen();
    if (!home || !largerThanAPoint(home->visibleFrame)) return frame().size;

    lastSizedScreenID = home->displayID;
    lastSizedScreenFrame = home->frame;
    const std::optional<core::Rect> bounds = listedSourceBounds();
    double aspect = 1.6;
    if (bounds && bounds->height() > 1)
        aspect = bounds->width() / bounds->height();
    else if (const core::Size source = mirror->sourceSize(); source.height > 1)
        aspect = source.width / source.height;

    const core::Size size = pipSize(home->visibleFrame, panels::PanelDefaults::defaultSizeMultiplier(), aspect);
    Diag::log(rebuildSizeLine(appName(), size, home->visibleFrame, bounds ? std::optional(bounds->size) : std::nullopt));
    return size;
}
