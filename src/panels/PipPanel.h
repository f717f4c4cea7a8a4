#pragma once

#include "capture/StreamMirror.h"
#include "panels/rules/FocusRegion.h"
#include "panels/rules/SourceAliveCheck.h"
#include "platform/desktop/Capture.h"
#include "platform/dispatch/Timer.h"
#include "platform/ui/Window.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace views {
class PanelContentView;
}  // namespace views
namespace pin {
class HoverPreview;
class PinSession;
}  // namespace pin

// One mini window: a floating panel that mirrors one source window (or a region of it)
// through its own capture stream. Panels register themselves in PipPanel::all(), the only
// way other subsystems reach them, and leave it when closed; a closed panel is deleted
// once it is ordered out. Main thread only, except the park request of
// onFrozenByOcclusion.
class PipPanel : public ui::Window {
public:
    static constexpr long windowLevel = 3;

    // Creates and registers the panel and starts its stream; the caller orders it front.
    PipPanel(desktop::ShareableWindow target, panels::FocusRegion focus);
    ~PipPanel() override;

    const desktop::ShareableWindow target;
    const std::shared_ptr<StreamMirror> mirror;
    views::PanelContentView* const content;
    // What the content view routes presses and pointer moves to.
    const std::unique_ptr<pin::PinSession> pinSession;
    const std::unique_ptr<pin::HoverPreview> hoverPreview;

    // Written by the shell's pause command.
    bool isPaused = false;
    // Set from the first "destroyed" report of the source until any other report.
    bool sourceClosing() const { return aliveCheck_.sourceClosing(); }
    const panels::SourceAliveCheck& aliveCheck() const { return aliveCheck_; }

    std::optional<int> frameRateOverride;
    std::optional<double> opacityOverride;
    std::optional<double> sizeOverride;
    std::optional<core::Rect> preActionFrame;
    bool mouseDownHandled = false;
    std::optional<desktop::DisplayID> lastSizedScreenID;
    // That screen's frame then: where a resize counts as a new screen, it tells one.
    std::optional<core::Rect> lastSizedScreenFrame;

    // ---- registry and life ----
    static const std::vector<PipPanel*>& all();
    static bool isRegistered(const PipPanel* panel);
    // Does nothing for a panel that is no longer registered.
    void closePanel(bool animated);
    static void syncMiniWindowFlag();
    // Run on the main queue's next turn whenever a panel joined or left all(); none
    // unless set.
    static std::function<void()>& onCountChange();
    static std::optional<desktop::DisplayID> screenID(const std::optional<ui::Screen>& screen);
    void startLifecycleCheck();
    void checkSourceAlive();

    // ---- size and tiling ----
    static void tileAll();
    // Moves every visible panel along the right edge; the panels in sizes get that size.
    static void arrangeAllPips(const std::map<PipPanel*, core::Size>& sizes);
    // The panel's size for a multiplier on its current screen.
    core::Size sizeForMultiplier(double multiplier) const;

    // ---- real and virtual screens, display changes ----
    static std::vector<ui::Screen> realScreens();
    static std::vector<ui::Screen> virtualScreens();
    // Which displays are virtual; the parking controller unless a test says otherwise.
    static std::function<bool(desktop::DisplayID)>& isVirtualDisplay();
    static bool hitsVirtualScreen(const core::Rect& frame);
    // Puts the panel back on a real screen after a gesture left it on a virtual one.
    bool enforceRealScreen(const std::string& reason);
    static int rescuePanelsOffVirtualScreen();
    // A tiled frame moved off the virtual screens where the layout put it on one.
    static core::Rect clearOfVirtualScreens(const core::Rect& frame);
    // Where a resize counts as a new screen, a panel hidden at a display change is laid out
    // when it shows again.
    static void handleScreenReconfiguration();
    static void performReplugLayout(const std::vector<PipPanel*>& changed);
    core::Size rebuildSizeForCurrentScreen();

    // ---- overrides and defaults ----
    int effectiveFrameRate() const;
    double effectiveOpacity() const;
    // The picture's alpha: the effective opacity where the desktop shows through it.
    double pictureOpacity() const;
    double effectiveSizeMultiplier() const;
    void applyFrameRateChoice(int fps);
    void applyOpacityChoice(double value);
    void applySizeChoice(double multiplier);
    void setRateValueAsDefault();
    void setOpacityValueAsDefault();
    void setSizeValueAsDefault();
    void applyOpacity();
    static void applyOpacityToAll();
    static void applyDefaultFrameRateToAll();
    static void applyDefaultSizeToAll();

    // ---- dragging, snapping, resizing ----
    // The bar drag: begun at a press, followed at each movement, ended at the release.
    void performDrag(core::Point pointer);
    void dragMoved(core::Point pointer);
    void endDrag();
    bool isDragging() const { return drag_.has_value(); }
    void snapToEdges();
    void applyResize(const core::Rect& start, core::Point delta, unsigned edges);

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Placement {
        core::Rect frame;
        std::optional<ui::Screen> screen;
    };
    static Placement creationPlacement(const desktop::ShareableWindow& target);
    PipPanel(const desktop::ShareableWindow& target, const panels::FocusRegion& focus, const Placement& placement);

    // A panel joined or left all().
    static void countChanged();
    void installHostCallbacks();
    void selfCheck();
    void refreshRateBadge();
    void refreshOpacityBadge();
    void refreshSizeBadge();
    std::string appNameOrEmpty() const;
    std::optional<std::string> appName() const;
    // The source's bounds from the window list, else its record's frame (global).
    core::Rect sourceFrame() const;
    std::optional<core::Rect> listedSourceBounds() const;
    // The panel's screen, else the main one, else the first.
    std::optional<ui::Screen> screenOrFallback() const;
    // The screen a display change lays the panel out on: its own; where a resize counts as a
    // new screen, one off every screen goes to the nearest real one.
    std::optional<ui::Screen> layoutScreen() const;
    bool screenChangedSinceSized() const;
    // Takes the place the window system gives the window as its frame.
    void followWindowSystemFrame();
    void watchPresses(QWidget& widget);

    panels::SourceAliveCheck aliveCheck_;
    dispatch::WorkItem checkStart_;
    dispatch::Timer checkTimer_;
    struct Drag {
        core::Point startPointer;
        core::Point startOrigin;
    };
    std::optional<Drag> drag_;
    bool dispatchingPress_ = false;
    bool relayoutWhenShown_ = false;
};
