#include "parking/watchers/ParkedFocusWatcher.h"

#include "capture/OcclusionProbe.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "parking/ledger/ParkingController.h"
#include "platform/core/AppIdentity.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/WhileAlive.h"

#include <cassert>

namespace {

constexpr double reconcilePeriod = 1;
// A burst of focus notices for one application brings its window back once.
constexpr double debounce = 0.6;

using desktop::Accessibility;

// The focused window of the application and its frame; none when it cannot be read or
// is 1 pt or less on a side.
std::optional<core::Rect> focusedWindowFrame(desktop::Pid pid)
{
    auto& ax = desktop::accessibility();
    desktop::AXValue focused;
    if (ax.copyAttribute(Accessibility::applicationElement(pid), desktop::ax::focusedWindow, focused) !=
        desktop::ax::success)
        return std::nullopt;
    const auto* window = std::get_if<desktop::Element>(&focused);
    if (!window) return std::nullopt;

    desktop::AXValue position;
    desktop::AXValue size;
    if (ax.copyAttribute(*window, desktop::ax::position, position) != desktop::ax::success ||
        ax.copyAttribute(*window, desktop::ax::size, size) != desktop::ax::success)
        return std::nullopt;
    const auto* origin = std::get_if<core::Point>(&position);
    const auto* extent = std::get_if<core::Size>(&size);
    if (!origin || !extent || extent->width <= 1 || extent->height <= 1) return std::nullopt;
    return core::Rect(*origin, *extent);
}

}  // namespace

ParkedFocusWatcher::ParkedFocusWatcher(parking::ParkingController& controller)
    : controller_(controller), work_(core::AppIdentity::current().bundleIdentifier + ".parkedfocus")
{
}

ParkedFocusWatcher::~ParkedFocusWatcher()
{
    for (const auto& [pid, observation] : observers_) desktop::accessibility().destroyObserver(observation.observer);
}

ParkedFocusWatcher& ParkedFocusWatcher::shared()
{
    // Lives as long as the process: nothing of it may run after the desktop has gone.
    static const auto* instance = new std::shared_ptr<ParkedFocusWatcher>(
        std::make_shared<ParkedFocusWatcher>(*parking::ParkingController::shared()));
    return **instance;
}

void ParkedFocusWatcher::start()
{
    // Replaces the probe of an earlier launch in this process, whose queue has gone.
    reconcileTimer_ =
        dispatch::Timer(work_, reconcilePeriod,
                        dispatch::whileAlive(weak_from_this(), [](ParkedFocusWatcher& self) { self.reconcile(); }));
    Diag::log(
        "焦点观察: 已启动（每 1s 与「有窗口停在虚拟屏上的应用」对齐一次；"
        "命中就把它搬回原位并抬到最前 ⇒ ⌘`/窗口菜单/调度中心都能切到被停放的窗口）");
}

void ParkedFocusWatcher::reconcile()
{
    assert(work_.isCurrent());
    if (!desktop::accessibility().isTrusted()) return;
    const auto pids = controller_.queue().syncResult([&] { return controller_.parkedPIDs(); });
    dispatch::main().async(dispatch::whileAlive(
        weak_from_this(), [wanted = std::set<desktop::Pid>(pids.begin(), pids.end())](ParkedFocusWatcher& self) {
            self.alignObservers(wanted);
        }));
}

void ParkedFocusWatcher::alignObservers(const std::set<desktop::Pid>& wanted)
{
    auto& ax = desktop::accessibility();
    for (auto it = observers_.begin(); it != observers_.end();) {
        const auto [pid, observation] = *it;
        if (wanted.count(pid)) {
            ++it;
            continue;
        }
        it = observers_.erase(it);
        ax.removeNotification(observation.observer, observation.element, desktop::ax::focusedWindowChanged);
        Diag::log("焦点观察: 已摘掉 pid=" + std::to_string(pid) + "（没有窗口停在虚拟屏上了）");
        ax.destroyObserver(observation.observer);
    }

    for (const desktop::Pid pid : wanted) {
        if (observers_.count(pid)) continue;
        desktop::Token observer = 0;
        const auto created = ax.createObserver(
            pid,
            dispatch::whileAlive(weak_from_this(), [pid](ParkedFocusWatcher& self, const desktop::Element&,
                                                         const std::string&) { self.handle(pid); }),
            observer);
        if (created != desktop::ax::success) {
            Diag::log("焦点观察: AXObserverCreate 失败 pid=" + std::to_string(pid) + " 结果=" + std::to_string(created));
            continue;
        }
        const auto element = Accessibility::applicationElement(pid);
        const auto added = ax.addNotification(observer, element, desktop::ax::focusedWindowChanged);
        if (added != desktop::ax::success) {
            Diag::log("焦点观察: 注册 kAXFocusedWindowChanged 失败 pid=" + std::to_string(pid) +
                      " 结果=" + std::to_string(added));
            ax.destroyObserver(observer);
            continue;
        }
        observers_[pid] = {observer, element};
        Diag::log("焦点观察: 已监听 pid=" + std::to_string(pid) + " 的焦点窗口变化（它有窗口停在虚拟屏上）");
    }
}

void ParkedFocusWatcher::handle(desktop::Pid pid)
{
    work_.async(dispatch::whileAlive(weak_from_this(), [pid](ParkedFocusWatcher& self) { self.handleFocusChange(pid); }));
}

void ParkedFocusWatcher::handleFocusChange(desktop::Pid pid)
{
    assert(work_.isCurrent());
    const double now = dispatch::now();
    if (const auto last = recentAction_.find(pid); last != recentAction_.end() && now - last->second < debounce) return;
    if (!desktop::accessibility().isTrusted()) return;
    const auto frame = focusedWindowFrame(pid);
    if (!frame) return;

    const auto parked = controller_.queue().syncResult([&] { return controller_.parkedWindow(pid, *frame); });
    if (!parked) return;
    recentAction_[pid] = now;

    // Raising cannot lift a window above another application's, so a window brought
    // back under one would stay out of sight.
    const auto parkedIDs = controller_.queue().syncResult([&] { return controller_.parkedWindowIDs(); });
    const auto occluder = OcclusionProbe::occluderInfo(
        parked->windowID, parked->originalFrame, {parkedIDs.begin(), parkedIDs.end()}, {desktop::workspace().ownPid()});
    if (occluder && occluder->ownerPid && *occluder->ownerPid != pid) {
        Diag::log("焦点观察: 焦点落到停在虚拟屏上的 #" + std::to_string(parked->windowID) + "（" + parked->ownerName +
                  "），" + "但它的原位被**别的应用**(pid " + std::to_string(*occluder->ownerPid) + ") 盖着 ⇒ 暂不搬回" +
                  "（AXRaise 跨应用抬不动，搬回去也看不见）");
        return;
    }

    const auto windowID = parked->windowID;
    if (!controller_.queue().syncResult([&] { return controller_.bringBackForUser(windowID); })) return;
    dispatch::main().async([pid, record = *parked] {
        EventBridge::raiseWindow(pid, record.windowID);
        Diag::log("焦点观察: 用户选中了停在虚拟屏上的窗口 #" + std::to_string(record.windowID) + "（" + record.ownerName +
                  "）" + " ⇒ 已搬回原位 " + OcclusionProbe::rectDesc(record.originalFrame) + " 并抬到最前");
    });
}
