#include "app/HoldKeyStateMachine.h"

HoldKeyStateMachine::State HoldKeyStateMachine::state() const
{
    if (combined_) return State::combined;
    if (!isDown_) return State::idle;
    return isActive_ ? State::active : State::delaying;
}

bool HoldKeyStateMachine::begin()
{
    if (isDown_ || combined_) return false;
    isDown_ = true;
    return true;
}

HoldKeyStateMachine::Outcome HoldKeyStateMachine::activate(const std::string& keyName, int delayMs)
{
    if (!isDown_ || isActive_) return {};
    isActive_ = true;
    return {"按住热键: 按住 " + keyName + " ≥ " + std::to_string(delayMs) + "ms ⇒ 临时收起小窗", Callback::press};
}

HoldKeyStateMachine::Outcome HoldKeyStateMachine::finish(const std::string& why, int delayMs)
{
    if (!isDown_) return {};
    isDown_ = false;
    if (!isActive_) return {"按住热键: 点按（没到 " + std::to_string(delayMs) + "ms）⇒ 不动作", Callback::none};
    isActive_ = false;
    return {"按住热键: 松开 ⇒ 恢复（" + why + "）", Callback::release};
}

HoldKeyStateMachine::Outcome HoldKeyStateMachine::combine(const std::string& keyName)
{
    if (combined_) return {};
    combined_ = true;
    const bool hid = isActive_;
    isDown_ = false;
    isActive_ = false;
    const std::string prefix = "按住热键: " + keyName + " 与别的键组合使用 ⇒ ";
    if (hid) return {prefix + "恢复小窗（组合键不算按住）", Callback::release};
    return {prefix + "不收起小窗（组合键不算按住）", Callback::none};
}

namespace HoldKeyRules {

FlagsVerdict flagsChanged(int eventKeyCode, std::uint64_t eventFlags, int keyCode, std::uint64_t flag, bool isDown)
{
    const bool flagSet = (eventFlags & flag) == flag;
    if (eventKeyCode == keyCode) return flagSet ? FlagsVerdict::begin : FlagsVerdict::finishReleased;
    if (isDown && !flagSet) return FlagsVerdict::finishFlagGone;
    return FlagsVerdict::none;
}

}  // namespace HoldKeyRules
