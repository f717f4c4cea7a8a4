#pragma once

#include "platform/core/Geometry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pin {

// The passes that watch a taken-over window until it shows the asked size, then reveal it.
// Every post names its takeover (a generation); a recentre is posted only when the size
// the window settled on differs from the last one posted.
class ReadinessPoll {
public:
    static constexpr int maxPasses = 15;
    static constexpr double passInterval = 0.02;
    // Sizes within this of each other count as the same.
    static constexpr double sizeTolerance = 2;

    // frameBefore: the window's frame before the move; box: the global preview box.
    ReadinessPoll(std::uint64_t generation, const core::Rect& frameBefore, const core::Rect& box);

    struct Pass {
        std::optional<core::Rect> recentre;  // post a recentre to this frame
        bool reveal = false;                 // post the reveal; the poll is over
    };

    // One pass. observed: the window's bounds when it is listed on screen with a positive
    // size, else none; takeoverFrame: the cell's frame at this pass.
    Pass pass(const std::optional<core::Rect>& observed, const core::Rect& takeoverFrame);

    bool finished() const { return finished_; }
    int passes() const { return passes_; }
    std::uint64_t generation() const { return generation_; }

private:
    std::uint64_t generation_;
    core::Rect frameBefore_;
    core::Rect box_;
    int passes_ = 0;
    bool finished_ = false;
    std::optional<core::Size> lastPosted_;
};

// A post (recentre, read-back, clamp check) still concerns the takeover running now.
bool postApplies(std::uint64_t postGeneration, std::uint64_t currentGeneration, bool takeoverActive, bool pinned);
// The reveal orders the preview out even after leaving, but not for a later takeover.
bool revealApplies(std::uint64_t postGeneration, std::uint64_t currentGeneration);

// The recentre the main thread makes from a poll post.
std::string pollRecentreLogLine(const core::Rect& frame);

// The learning check 0.35 s after a recentre: the window kept the size it was moved at.
inline constexpr double clampCheckDelay = 0.35;
bool clampHeld(const std::optional<core::Rect>& frameNow, core::Size checkedSize);

}  // namespace pin
