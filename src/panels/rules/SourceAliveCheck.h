#pragma once

#include "foundation/EventBridge.h"
#include "platform/desktop/Types.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace panels {

// One thing a tick of the source-alive check asks its panel to do, in order.
struct AliveEffect {
    enum class Kind { log, showClosingHint, withdrawClosingHint, setFrozenBanner, closePanel };
    Kind kind;
    std::string text;  // log
    bool on = false;   // setFrozenBanner

    static AliveEffect log(std::string line) { return {Kind::log, std::move(line)}; }
    static AliveEffect showClosingHint() { return {Kind::showClosingHint, {}}; }
    static AliveEffect withdrawClosingHint() { return {Kind::withdrawClosingHint, {}}; }
    static AliveEffect setFrozenBanner(bool on) { return {Kind::setFrozenBanner, {}, on}; }
    static AliveEffect closePanel() { return {Kind::closePanel, {}}; }
    bool operator==(const AliveEffect&) const = default;
};

// Whether a panel's source window still exists and still draws, decided once a tick. A
// source reported destroyed twice in a row closes the panel; a source that stopped
// delivering frames while hidden gets the frozen banner.
class SourceAliveCheck {
public:
    static constexpr double firstTickDelay = 6.0;
    static constexpr double tickInterval = 1.0;

    // Answers EventBridge::sourceWindowState for the source, given framesActive.
    using StateQuery = std::function<EventBridge::SourceWindowState(bool framesActive)>;

    explicit SourceAliveCheck(desktop::WindowID windowID) : windowID_(windowID) {}

    std::vector<AliveEffect> tick(std::int64_t framesDelivered, const StateQuery& query, bool isPaused);

    // Set from the first destroyed report until any other report.
    bool sourceClosing() const { return sourceClosing_; }
    bool frozenHintShown() const { return frozenHintShown_; }
    int frozenStreak() const { return frozenStreak_; }
    int missingCount() const { return missingCount_; }

private:
    desktop::WindowID windowID_;
    bool sourceClosing_ = false;
    int missingCount_ = 0;
    std::optional<EventBridge::SourceWindowState> lastKnownState_;
    std::optional<std::int64_t> lastFrameCount_;
    int frozenStreak_ = 0;
    bool frozenHintShown_ = false;
};

}  // namespace panels
