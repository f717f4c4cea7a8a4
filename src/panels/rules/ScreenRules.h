#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"
#include "platform/ui/Screen.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

// Which screens a mini window may live on: the parking display's virtual screens are
// invisible to the user, so panels are kept on the real ones.
namespace panels {

// The screen list split in list order; a screen is virtual when its display belongs to a
// live virtual display.
struct ScreenSplit {
    std::vector<ui::Screen> real, virtualScreens;
};

ScreenSplit splitScreens(const std::vector<ui::Screen>& screens,
                         const std::function<bool(desktop::DisplayID)>& isVirtual);

// Whether a frame touches a virtual screen. Any overlap counts while no virtual screen
// overlaps a real one; otherwise only a centre inside a virtual screen does, since in such
// an arrangement a panel on the real screen overlaps the virtual one too. A change of
// that choice is logged once.
class VirtualScreenCriterion {
public:
    // Whether any overlap counts; false without a virtual screen (nothing logged then).
    bool strictUsable(const ScreenSplit& split);
    bool hits(const core::Rect& frame, const ScreenSplit& split);

private:
    bool lastLogged_ = true;
};

// The real screen holding most of the frame (first wins ties), else the one nearest its
// centre; the main screen when there is no real screen.
std::optional<ui::Screen> nearestRealScreen(const core::Rect& frame, const ScreenSplit& split,
                                            const std::optional<ui::Screen>& mainScreen);

// The frame, size kept, clamped into the nearest real screen's visible frame; none without
// such a screen or when its visible frame is not wider and taller than 1 pt.
std::optional<core::Rect> legalizedFrame(const core::Rect& frame, const ScreenSplit& split,
                                         const std::optional<ui::Screen>& mainScreen);

// The top-left place (16 pt margins) of the first real screen, else of the main screen.
std::optional<core::Rect> realTopLeftFrame(core::Size size, const ScreenSplit& split,
                                           const std::optional<ui::Screen>& mainScreen);

// A laid-out frame that hits a virtual screen, moved the shortest way along one axis, inside
// the margins of the nearest real screen's visible frame, until it no longer does; else that
// screen's top-left place when it is clear; else the frame as it is (no clear place exists).
core::Rect clearOfVirtualScreens(const core::Rect& frame, VirtualScreenCriterion& criterion, const ScreenSplit& split,
                                 const std::optional<ui::Screen>& mainScreen);

// A place to put a panel back to after it ended on a virtual screen, with its log label.
struct Candidate {
    std::optional<core::Rect> frame;
    const char* label;
};

// The index of the first present candidate that does not hit a virtual screen; none when
// every one does (the panel then stays where it is).
std::optional<std::size_t> firstLegalCandidate(const std::vector<Candidate>& candidates,
                                               VirtualScreenCriterion& criterion, const ScreenSplit& split);

// Whether a panel's screen differs from the one it was last sized for; a panel that has
// gained or lost a screen identifier counts as changed.
bool screenChanged(std::optional<desktop::DisplayID> current, std::optional<desktop::DisplayID> lastSized);
// The same, and where a resize counts as a new screen, a screen whose frame is not the one
// the panel was last sized for counts as changed too. Its work area alone never does: a
// panel, tray or dock that comes or goes leaves the user's arrangement alone.
bool screenChanged(const std::optional<ui::Screen>& current, std::optional<desktop::DisplayID> lastSizedID,
                   const std::optional<core::Rect>& lastSizedFrame, bool resizeCounts);

// Whether every point of the frame lies in one area or another.
bool whollyInside(const core::Rect& frame, const std::vector<core::Rect>& areas);
std::vector<core::Rect> framesOf(const std::vector<ui::Screen>& screens);
std::vector<core::Rect> visibleFramesOf(const std::vector<ui::Screen>& screens);

}  // namespace panels
