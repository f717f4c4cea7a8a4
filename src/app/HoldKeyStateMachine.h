#pragma once

#include <cstdint>
#include <string>

// The tap-versus-hold logic of the hold key, without timers or events. Three states:
// idle, delaying (the key is down, the delay runs) and active (onPress was called); where
// the hold key is an everyday modifier a fourth, combined: the key is still down but
// serves a combination (Ctrl+A), and no hold begins until it has been seen up.
class HoldKeyStateMachine {
public:
    enum class State { idle, delaying, active, combined };
    enum class Callback { none, press, release };

    // What a step asks of its owner: a log line (empty for none) and a callback.
    struct Outcome {
        std::string logLine;
        Callback callback = Callback::none;
    };

    State state() const;
    bool isDown() const { return isDown_; }
    bool isActive() const { return isActive_; }

    // The key was seen down; false when it already counted as down or serves a
    // combination (nothing to start).
    bool begin();
    // The delay has passed (or is 0): onPress once per press, while the key is down.
    Outcome activate(const std::string& keyName, int delayMs);
    // The press ended for the reason given: the tap line for a press that never
    // activated, else the release line and onRelease. Nothing when not down.
    Outcome finish(const std::string& why, int delayMs);
    // Another key was pressed while the hold key was down: the press ends without hiding,
    // or what hid comes back (onRelease), with one line; nothing when already combined.
    Outcome combine(const std::string& keyName);
    // The key was seen up: its next press may be a hold again.
    void keyUp() { combined_ = false; }

private:
    bool isDown_ = false;
    bool isActive_ = false;
    bool combined_ = false;
};

namespace HoldKeyRules {

// What a flags-changed event means for the watched key (code, flag): the key's own event
// begins or ends the press; another key's event ends a press whose flag has gone.
enum class FlagsVerdict { none, begin, finishReleased, finishFlagGone };
FlagsVerdict flagsChanged(int eventKeyCode, std::uint64_t eventFlags, int keyCode, std::uint64_t flag, bool isDown);

}  // namespace HoldKeyRules
