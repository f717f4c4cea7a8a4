#include "app/HoldKeyMonitor.h"

#include "shellcore/HotKeySupport.h"
#include "foundation/Diag.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"

namespace {

constexpr int fnKeyCode = 63;

}  // namespace

HoldKeyMonitor& HoldKeyMonitor::shared()
{
    // Lives as long as the process; never torn down after the desktop is gone.
    static auto* const instance = new HoldKeyMonitor;
    return *instance;
}

HoldKeyMonitor::HoldKeyMonitor() = default;

HoldKeyMonitor::~HoldKeyMonitor()
{
    lifetime_.end();
    delayTimer_.cancel();
    removeMonitors();
}

int HoldKeyMonitor::holdDelayMilliseconds() { return static_cast<int>(defaults::setting::holdHideDelayMs.value()); }

double HoldKeyMonitor::holdDelay() { return holdDelayMilliseconds() / 1000.0; }

void HoldKeyMonitor::apply(int keyCode, int /*flags*/)
{
    if (isDown()) finish("换键");
    keyCode_ = keyCode;
    const auto& holdable = HotKeySupport::holdableModifierFlags();
    const auto found = holdable.find(keyCode);
    flag_ = found == holdable.end() ? std::nullopt : std::optional(found->second);
    pollDriven_ = keyCode == fnKeyCode;

    // A combination of the old key says nothing about the new one.
    machine_.keyUp();

    removeMonitors();
    stateTimer_.cancel();

    if (!flag_) {
        Diag::log("按住热键: 键码 " + std::to_string(keyCode) + " 不是「可用来按住」的修饰键 ⇒ 该功能停用");
        return;
    }
    // Where the hold key also serves combinations, the other keys' presses are watched
    // too, and the key's own events even while polling: they tell that it went up.
    using desktop::EventType;
    if (desktop::input().holdKeysAreEverydayModifiers())
        installMonitors(desktop::maskOf(EventType::keyDown) | desktop::maskOf(EventType::flagsChanged));
    else if (!pollDriven_)
        installMonitors(desktop::maskOf(EventType::flagsChanged));
    if (pollDriven_)
        startStatePoll();
    else
        Diag::log("按住热键: 已就绪 " + HotKeySupport::logName(keyCode_, 0) + "（按下收起小窗、松开恢复）");
}

void HoldKeyMonitor::suspend()
{
    if (isDown()) finish("录制快捷键");
    removeMonitors();
    stateTimer_.cancel();
}

void HoldKeyMonitor::installMonitors(std::uint64_t mask)
{
    const auto handle =
        lifetime_.guard([](HoldKeyMonitor& self, const desktop::Event& event) { self.handleEvent(event); });
    monitors_.push_back(desktop::input().addGlobalMonitor(mask, handle));
    monitors_.push_back(desktop::input().addLocalMonitor(mask, [handle](const desktop::Event& event) {
        handle(event);
        return std::optional(event);
    }));
}

void HoldKeyMonitor::removeMonitors()
{
    for (const desktop::Token token : monitors_) desktop::input().removeMonitor(token);
    monitors_.clear();
}

void HoldKeyMonitor::handleEvent(const desktop::Event& event)
{
    if (!flag_) return;
    if (event.type == desktop::EventType::keyDown) {
        // The event's flags tell of a hold key the poll has not seen down yet.
        if (isDown() || (event.modifierFlags & *flag_) == *flag_) combine();
        return;
    }
    // The key's own press or release: it was up in between, whatever event was lost or
    // however late the poll looks.
    if (event.keyCode == keyCode_) machine_.keyUp();
    if (pollDriven_) return;
    switch (HoldKeyRules::flagsChanged(event.keyCode, event.modifierFlags, keyCode_, *flag_, isDown())) {
    case HoldKeyRules::FlagsVerdict::begin: begin(); break;
    case HoldKeyRules::FlagsVerdict::finishReleased: finish("松开"); break;
    case HoldKeyRules::FlagsVerdict::finishFlagGone: finish("键已不在按下集合里"); break;
    case HoldKeyRules::FlagsVerdict::none: break;
    }
}

void HoldKeyMonitor::startPoll()
{
    pollTimer_ = dispatch::Timer(dispatch::main(), fallbackPollInterval, lifetime_.guard([](HoldKeyMonitor& monitor) {
        if (monitor.isDown() && !desktop::input().polledKeyDown(monitor.keyCode_))
            monitor.finish("兜底复核发现键已抬起 —— 抬起事件丢了");
    }));
}

void HoldKeyMonitor::startStatePoll()
{
    Diag::log("按住热键: " + HotKeySupport::logName(keyCode_, 0) + " 走**轮询**判定（不发事件也认）");
    stateTimer_ = dispatch::Timer(dispatch::main(), statePollInterval, lifetime_.guard([](HoldKeyMonitor& monitor) {
        if (!monitor.pollDriven_) return;
        const bool down = desktop::input().polledKeyDown(monitor.keyCode_);
        if (!down) monitor.machine_.keyUp();
        if (down && !monitor.isDown())
            monitor.begin();
        else if (!down && monitor.isDown())
            monitor.finish("轮询发现已抬起");
    }));
}

void HoldKeyMonitor::begin()
{
    if (!machine_.begin()) return;
    if (!pollDriven_) startPoll();
    const std::string name = HotKeySupport::logName(keyCode_, 0);
    const double delay = holdDelay();
    if (delay > 0) {
        delayTimer_.cancel();
        delayTimer_ = dispatch::main().asyncAfter(delay, lifetime_.guard([name](HoldKeyMonitor& self) {
            if (self.isDown()) self.activate(name);
        }));
    } else {
        activate(name);
    }
}

void HoldKeyMonitor::combine()
{
    delayTimer_.cancel();
    delayTimer_ = {};
    pollTimer_.cancel();
    run(machine_.combine(HotKeySupport::logName(keyCode_, 0)));
}

void HoldKeyMonitor::activate(const std::string& name) { run(machine_.activate(name, holdDelayMilliseconds())); }

void HoldKeyMonitor::finish(const std::string& why)
{
    if (!isDown()) return;
    delayTimer_.cancel();
    delayTimer_ = {};
    pollTimer_.cancel();
    run(machine_.finish(why, holdDelayMilliseconds()));
}

void HoldKeyMonitor::run(const HoldKeyStateMachine::Outcome& outcome)
{
    if (!outcome.logLine.empty()) Diag::log(outcome.logLine);
    if (outcome.callback == HoldKeyStateMachine::Callback::press && onPress) onPress();
    if (outcome.callback == HoldKeyStateMachine::Callback::release && onRelease) onRelease();
}
