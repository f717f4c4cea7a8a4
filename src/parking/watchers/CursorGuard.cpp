#include "parking/watchers/CursorGuard.h"

#include "capture/NumberText.h"
#include "foundation/ActiveDisplays.h"
#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "foundation/LogText.h"
#include "parking/WindowParking.h"
#include "parking/display/DisplayController.h"
#include "parking/watchers/CursorGuardFlash.h"
#include "parking/watchers/CursorTarget.h"
#include "platform/core/AppIdentity.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/defaults/TurnOffHint.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/WhileAlive.h"

#include <cassert>
#include <cmath>
#include <optional>
#include <vector>

namespace {

using capture::wholeText;

const char* const fineMessage = "光标一切正常，无需处理";
const char* const noDisplayMessage = "找不到可用的显示器";
const char* const notBackMessage = "没找回来，再按一次试试";

constexpr int announcedStreak = 3;
// A pointer read back this close to where it was put has landed.
constexpr double landingTolerance = 2;

struct Listed {
    desktop::DisplayID id = 0;
    core::Rect bounds;
};

// Our virtual displays are named "Glimra <width>x<height>".
bool isOurVirtualName(const std::string& name) { return name.rfind("Glimra ", 0) == 0; }

std::string wholePointText(core::Point p) { return "(" + wholeText(p.x) + "," + wholeText(p.y) + ")"; }

bool isAnyButtonDown()
{
    auto& input = desktop::input();
    return input.isButtonDown(0) || input.isButtonDown(1) || input.isButtonDown(2);
}

}  // namespace

CursorGuard::CursorGuard(parking::DisplayController& displays)
    : displays_(displays), queue_(core::AppIdentity::current().bundleIdentifier + ".cursorGuard")
{
}

CursorGuard& CursorGuard::shared()
{
    // Lives as long as the process: its probe must not outlive the desktop in a destructor.
    static const auto* instance =
        new std::shared_ptr<CursorGuard>(std::make_shared<CursorGuard>(parking::DisplayController::shared()));
    return **instance;
}

double CursorGuard::probeInterval() { return defaults::setting::cursorGuardProbeInterval.value(); }

bool CursorGuard::autoRescueEnabled() { return defaults::setting::cursorGuardAutoRescue.value(); }

void CursorGuard::start()
{
    if (probe_.isActive()) return;
    if (!parking::DisplayController::isFeatureEnabled()) {
        Diag::log("光标守卫：虚拟屏自救已关闭 ⇒ 不启动自动探针（防的是同一件事）");
        return;
    }
    const double interval = probeInterval();
    probe_ = dispatch::Timer(queue_, interval,
                             dispatch::whileAlive(weak_from_this(), [](CursorGuard& self) { self.probeTick(); }));
    Diag::log("启动 光标守卫=开启（自动探针每 " + capture::twoDecimalsText(interval) + "s 一跳，" +
              "逃生热键 ⌥⌘R；关掉自动探针试对照：" + defaults::turnOffHint(defaults::setting::cursorGuardAutoRescue) +
              "）");
}

void CursorGuard::stop() { probe_.cancel(); }

void CursorGuard::probeTick()
{
    assert(queue_.isCurrent());
    if (!autoRescueEnabled()) return;
    const core::Point pointer = desktop::input().pointerLocation();

    auto& screens = desktop::displays();
    if (const auto holder = screens.displayAt(pointer); holder && !displays_.isVirtual(*holder)) {
        const auto info = screens.display(*holder);
        if (info && !isOurVirtualName(info->name)) {
            autoFailStreak_ = 0;
            buttonsHeldLogged_ = false;
            return;
        }
    }

    // A warp in the middle of a drag would break the drag.
    if (isAnyButtonDown()) {
        if (!buttonsHeldLogged_) {
            buttonsHeldLogged_ = true;
            Diag::log("光标守卫：光标在虚拟屏上、但正按着鼠标键 ⇒ 这一跳不动它（拖拽中 warp 有打断拖拽的风险）");
        }
        return;
    }
    buttonsHeldLogged_ = false;

    switch (bringCursorBack("（自动）", false, false).result) {
    case Outcome::rescued:
        autoFailStreak_ = 0;
        ++autoRescueCount_;
        break;
    case Outcome::fine: autoFailStreak_ = 0; break;
    case Outcome::failed:
        if (++autoFailStreak_ == announcedStreak) {
            dispatch::main().async([] {
                desktop::input().beep();
                CursorGuardFlash::show(L10n::t(notBackMessage));
            });
        }
        break;
    }
}

void CursorGuard::rescueNow()
{
    const double started = dispatch::now();
    Diag::log("光标逃生：收到热键");
    CursorGuardFlash::show(bringCursorBack("", true, true).message);

    queue_.async([started] {
        auto& parking = WindowParking::shared();
        const int count = parking.queue().syncResult([&] { return parking.parkedCount(); });
        if (count >= 1) {
            parking.restoreAllBlocking(3.0);
            Diag::log("光标逃生：已还原 " + std::to_string(count) + " 个窗口（总耗时 " +
                      capture::twoDecimalsText(dispatch::now() - started) + "s）");
        } else {
            Diag::log("光标逃生：没有停在虚拟屏上的窗口，无需还原");
        }
    });
}

CursorGuard::Rescue CursorGuard::bringCursorBack(const std::string& tag, bool whenFine, bool allowMainDisplayFallback)
{
    auto& input = desktop::input();
    auto& screens = desktop::displays();
    const core::Point pointer = input.pointerLocation();
    const auto active = activeDisplayIDs();

    // No display at all is not "all is well": the levels below find no screen and fail.
    if (active.size() == 1 && !displays_.isVirtual(active.front())) {
        noteRealScreenMode(fullTest, tag);
        if (whenFine)
            Diag::log("光标逃生：活动屏只有 " + std::to_string(active.size()) +
                      " 块且它就是真屏 ⇒ 判据无需参与，不动光标");
        return {Outcome::fine, L10n::t(fineMessage)};
    }

    std::vector<Listed> byLedgerAndName;
    std::vector<Listed> byLedger;
    for (const auto id : active) {
        const auto info = screens.display(id);
        if (!info || displays_.isVirtual(id)) continue;
        byLedger.push_back({id, info->frame});
        if (!isOurVirtualName(info->name)) byLedgerAndName.push_back({id, info->frame});
    }

    std::vector<Listed> listed;
    if (!byLedgerAndName.empty()) {
        listed = std::move(byLedgerAndName);
        noteRealScreenMode(fullTest, tag);
    } else if (!byLedger.empty()) {
        listed = std::move(byLedger);
        noteRealScreenMode(ledgerOnly, tag);
    } else {
        noteRealScreenMode(noneUsable, tag);
        const auto mainID = screens.mainDisplayID();
        const auto main = mainID ? screens.display(*mainID) : std::nullopt;
        if (!allowMainDisplayFallback || !main) return {Outcome::failed, L10n::t(noDisplayMessage)};
        Diag::log("光标逃生：真屏判据全不可用（账本 ∪ 名字都没认出真屏）⇒ 显式路径降级到主屏 " +
                  describeDisplay(main->id));
        listed.push_back({main->id, main->frame});
    }

    for (const auto& display : listed) {
        if (!display.bounds.contains(pointer)) continue;
        if (whenFine)
            Diag::log("光标逃生：光标本来就在真屏上（" + wholeText(pointer.x) + "," + wholeText(pointer.y) +
                      "），不动它");
        return {Outcome::fine, L10n::t(fineMessage)};
    }

    std::vector<core::Rect> bounds;
    for (const auto& display : listed) bounds.push_back(display.bounds);
    const Listed& target = listed[cursortarget::nearestDisplay(pointer, bounds)];
    const core::Point to = cursortarget::clampedInto(pointer, target.bounds);

    int error = input.warpPointer(to);
    input.associateMouseAndCursor(true);
    core::Point landed = input.pointerLocation();
    if (std::abs(landed.x - to.x) > landingTolerance || std::abs(landed.y - to.y) > landingTolerance) {
        Diag::log("光标逃生" + tag + "：warp 后读回 (" + core::numberText(landed.x) + "," + core::numberText(landed.y) +
                  ") ≠ 目标，改用 CGDisplayMoveCursorToPoint");
        error = input.moveCursorToPoint(target.id, {to.x - target.bounds.minX(), to.y - target.bounds.minY()});
        input.associateMouseAndCursor(true);
        landed = input.pointerLocation();
    }
    const bool onTarget = target.bounds.insetBy(landingTolerance, landingTolerance).contains(landed);
    Diag::log("光标逃生" + tag + "：从 " + wholePointText(pointer) + " 拉回 #" + std::to_string(target.id) + " → " +
              wholePointText(landed) + "，" + "CGError=" + std::to_string(error) + "，落点合法=" + boolText(onTarget));
    if (onTarget) return {Outcome::rescued, L10n::t("已找回光标")};
    return {Outcome::failed, L10n::t(notBackMessage)};
}

std::string CursorGuard::describeDisplay(desktop::DisplayID displayID) const
{
    auto& screens = desktop::displays();
    const auto info = screens.display(displayID).value_or(desktop::DisplayInfo{});
    // A display still waiting for its mode has no pixels yet.
    const auto mode = screens.currentMode(displayID).value_or(desktop::DisplayMode{0, 0, 0, 0, 0});
    std::string text = "#" + std::to_string(displayID) + " " + std::to_string(mode.pixelWidth) + "x" +
                       std::to_string(mode.pixelHeight) + "px";
    if (info.isBuiltin) text += " 内建";
    if (info.isMain) text += " 主屏";
    text += " 名字=" + (info.name.empty() ? std::string("（空）") : "「" + info.name + "」");
    return text + " 账本命中=" + boolText(displays_.isVirtual(displayID));
}

void CursorGuard::noteRealScreenMode(int mode, const std::string& tag)
{
    // The probe and the hot key may both get here: only the one that changes the level
    // writes its line.
    const int previous = realScreenMode_.exchange(mode);
    if (previous == mode) return;
    if (mode == fullTest) {
        Diag::log("光标守卫" + tag + "：真屏判据恢复正常（账本 ∪ 名字又能认出真屏了，刚从第 " +
                  std::to_string(previous) + " 档回来）");
        return;
    }
    const auto active = activeDisplayIDs();
    std::string described;
    for (const auto id : active) described += (described.empty() ? "" : "；") + describeDisplay(id);
    std::string live;
    for (const auto id : displays_.liveDisplayIDs()) live += (live.empty() ? "" : ", ") + std::to_string(id);
    Diag::log("光标守卫" + tag + "：真屏判据降级到第 " + std::to_string(mode) + " 档" + "（" +
              (mode == ledgerOnly ? "名字那条臂认不出真屏了，降级为只认账本" : "账本 ∪ 名字都认不出真屏") + "）" +
              " ⇒ 现场：活动屏 " + std::to_string(active.size()) + " 块[" + described + "]" + "，账本 live=[" + live +
              "]");
}
