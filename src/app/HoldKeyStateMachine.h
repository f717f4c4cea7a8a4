#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The tap-versus-hold logic of the hold key, without timers or events. Three states:
// idle, delaying (the key is down, the delay runs) and active (onPress was called).
class HoldKeyStateMachine {
public:
    enum class State { idle, delaying, active };
    enum class Callback { none, press, release };

    // What a step asks of its owner: a log line (empty for none) and a callback.
    struct Outcome {
        std::string logLine;
        Callback callback = Callback::none;
    };

    State state() const;
    bool isDown() const { return isDown_; }
    bool isActive() const { return isActive_; }

    // The key was seen down; false when it already counted as down (nothing to start).
    bool begin();
    // The delay has passed (or is 0): onPress once per press, while the key is down.
    Outcome activate(const std::string& keyName, int delayMs);
    // The press ended for the reason given: the tap line for a press that never
    // activated, else the release line and onRelease. Nothing when not down.
    Outcome finish(const std::string& why, int delayMs);

private:
    bool isDown_ = false;
    bool isActive_ = false;
};

namespace HoldKeyRules {

// The hold delay from the stored holdHideDelayMs: 250 when absent or not an integer,
// else clamped to 0...2000.
int delayMilliseconds(std::optional<long long> storedMs);

// What a flags-changed event means for the watched key (code, flag): the key's own event
// begins or ends the press; another key's event ends a press whose flag has gone.
enum class FlagsVerdict { none, begin, finishReleased, finishFlagGone };
FlagsVerdict flagsChanged(int eventKeyCode, std::uint64_t eventFlags, int keyCode, std::uint64_t flag, bool isDown);

}  // namespace HoldKeyRules
