#pragma once

#include "panels/rules/FocusRegion.h"
#include "platform/core/Geometry.h"

#include <string>

// What a left press on a mini window means, and whether its delayed single click may pin.
// Plain inputs only; the content view acts on the answer.
namespace panels {

enum class PressKind {
    barDrag,        // single click on the shown top bar: drag the mini window
    barDouble,      // double click on the shown top bar: bring the source forward
    pinAfterDelay,  // single click on a whole-window picture: pin after the delay
    focusHint,      // single click on a focus mini window: only a hint after the delay
    pictureDouble,  // double click on the picture: leave the pin, focus or open the source
};

struct PressDecision {
    PressKind kind;
    // Empty when the press logs nothing of its own (the picture's double click logs once
    // the setting is read: pictureDoubleClickLogLine).
    std::string logLine;
};

// The bar's band counts while the chrome is shown (alpha above 0.5).
inline constexpr double barBandHeight = 28;
inline constexpr double singleClickDelay = 0.2;
inline constexpr double focusHintDuration = 2.0;
// A delayed single click pins only while the pointer stayed within this distance.
inline constexpr double clickSlop = 4;

// local: the press in the view, y from its top edge.
PressDecision classifyPress(core::Point local, int clickCount, double topBarAlpha, const FocusRegion& focus);

std::string pictureDoubleClickLogLine(bool opensOriginal);

struct DelayedClickVerdict {
    bool pins = false;
    std::string logLine;  // the cancel line when it does not pin
};

// The single-click action 0.2 s after the press: pointer and downPoint in screen
// coordinates, pressedButtons the platform's mask of buttons held now.
DelayedClickVerdict delayedClickVerdict(core::Point pointer, core::Point downPoint, unsigned pressedButtons);

}  // namespace panels
