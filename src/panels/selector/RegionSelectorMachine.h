#pragma once

#include "panels/rules/FocusRegion.h"
#include "panels/HoverTriggerHooks.h"
#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace selector {

// What the region selector knows between two ticks, and the tick itself: a pure state
// machine over the buttons, the pointer and the time. Rectangles and points are in
// screen coordinates (origin bottom left). It is only ticked while the selector has
// overlays.
class RegionSelectorMachine {
public:
    // How long a failed attempt's hint stays.
    static constexpr double errorHintSeconds = 1.6;
    // A selection narrower or lower than this on release is taken for a slip.
    static constexpr double minSelectionSide = 8;
    // The smallest window a press without a restricted window picks.
    static constexpr core::Size minPickSize{160, 120};

    struct ActiveWindow {
        desktop::WindowID id = 0;
        core::Rect appkitFrame;
    };

    struct Input {
        bool leftDown = false;
        bool rightDown = false;
        core::Point pointer;
        double now = 0;
    };

    enum class Outcome {
        running,    // still selecting
        cancelled,  // the right button ended it: tear down, no result
        finished,   // a region was chosen: tear down, then hand it over
    };

    struct TickResult {
        Outcome outcome = Outcome::running;
        // Diagnostic lines of this tick, in order.
        std::vector<std::string> logLines;
        // With `finished`: the window and the region.
        desktop::WindowID windowID = 0;
        panels::FocusRegion region;
    };

    // The window under the pointer at a press, as the hover trigger answers it.
    using WindowLookup = std::function<std::optional<HoverTriggerHooks::WindowHit>(core::Point)>;

    // A fresh selection; rightDownNow is the right button's state at the start, so that a
    // button already held does not cancel.
    void start(std::optional<ActiveWindow> restrictTo, bool armedByMouse, bool rightDownNow);
    // Back to idle; the right-button edge state is kept, as the selector keeps it.
    void reset();

    TickResult tick(const Input& input, const WindowLookup& windowUnder);

    // Shows a hint (an untranslated text) for errorHintSeconds from now; a new hint
    // replaces the text and restarts the time.
    void flashHint(const std::string& text, double now);

    const std::optional<ActiveWindow>& activeWindow() const { return activeWindow_; }
    bool needReleaseFirst() const { return needReleaseFirst_; }
    bool dragging() const { return dragging_; }
    core::Point startPoint() const { return startPoint_; }
    const core::Rect& selection() const { return selection_; }
    bool lastRight() const { return lastRight_; }
    // The untranslated hint of the last failed attempt while it shows.
    const std::optional<std::string>& errorText() const { return errorText_; }

    // The screen (an index into screenFrames) that shows the hint: the one holding the
    // active window's centre, else without a window the one holding the pointer, else
    // the first. None without screens.
    std::optional<std::size_t> hintScreen(const std::vector<core::Rect>& screenFrames, core::Point pointer) const;

    // "(%.0f, %.0f, %.0f×%.0f)".
    static std::string fmt(const core::Rect& rect);

    // The line that announces a started selection.
    std::string startLogLine(bool leftDown, std::size_t screenCount, double firstScreenHeight) const;

private:
    TickResult release(double now);
    void failAttempt();

    std::optional<ActiveWindow> activeWindow_;
    bool needReleaseFirst_ = false;
    bool dragging_ = false;
    core::Point startPoint_;
    core::Rect selection_;
    bool lastRight_ = false;
    std::optional<std::string> errorText_;
    double errorUntil_ = 0;
};

}  // namespace selector
