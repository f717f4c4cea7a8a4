#include "parking/ledger/WindowMover.h"

#include "parking/ledger/VDLog.h"
#include "parking/ledger/WindowList.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

#include <cmath>
#include <string>

namespace parking::WindowMover {
namespace {

namespace ax = desktop::ax;
using windowlist::rectDesc;

constexpr double tolerance = 2;
constexpr int maxReadBackWaits = 6;
constexpr double readBackInterval = 0.08;

bool near(double a, double b) { return std::abs(a - b) <= tolerance; }

bool matches(const core::Rect& frame, const core::Rect& known, AXMatch mode)
{
    if (!near(frame.minX(), known.minX()) || !near(frame.minY(), known.minY())) return false;
    return mode == AXMatch::originOnly || (near(frame.width(), known.width()) && near(frame.height(), known.height()));
}

std::string readText(const std::optional<core::Rect>& frame) { return frame ? rectDesc(*frame) : "读不到"; }

bool onVirtualDisplay(const core::Rect& frame)
{
    const auto display = desktop::displays().display(windowlist::display(frame));
    return display && display->isVirtual;
}

// What a move asks of the window list's answer.
struct Acceptance {
    core::Rect from;
    core::Rect to;
    std::optional<core::Rect> inside;  // the target display's bounds, inset by 2 pt
    bool mustLeaveFrom = false;
    bool withinDisplay = false;

    bool passes(const std::optional<core::Rect>& read) const
    {
        if (!read) return false;
        if (withinDisplay) {
            if (!near(read->width(), to.width()) || !near(read->height(), to.height())) return false;
            if (!inside || !inside->contains(*read)) return false;
        } else if (!near(read->minX(), to.minX()) || !near(read->minY(), to.minY())) {
            return false;
        }
        // A window still at its old place has not moved, even where that place would do.
        if (mustLeaveFrom) return std::abs(read->minX() - from.minX()) > 1 || std::abs(read->minY() - from.minY()) > 1;
        return true;
    }
};

// Writes the frame: the position alone when the size stays, else the size and then the
// position (both are tried). True when every write was taken.
bool writeFrame(const desktop::Element& element, const core::Rect& frame, bool positionOnly)
{
    auto& accessibility = desktop::accessibility();
    if (positionOnly) return accessibility.setAttribute(element, ax::position, frame.origin) == ax::success;
    const bool sized = accessibility.setAttribute(element, ax::size, frame.size) == ax::success;
    const bool placed = accessibility.setAttribute(element, ax::position, frame.origin) == ax::success;
    return sized && placed;
}

}  // namespace

std::vector<desktop::Element> axWindows(const core::Rect& frame, desktop::Pid pid, AXMatch mode)
{
    desktop::AXValue value;
    if (desktop::accessibility().copyAttribute(desktop::Accessibility::applicationElement(pid), ax::windows, value) !=
        ax::success)
        return {};
    const auto* elements = std::get_if<std::vector<desktop::Element>>(&value);
    if (!elements) return {};
    std::vector<desktop::Element> found;
    for (const auto& element : *elements) {
        const auto current = axFrame(element);
        if (current && matches(*current, frame, mode)) found.push_back(element);
    }
    return found;
}

std::optional<core::Rect> axFrame(const desktop::Element& element)
{
    auto& accessibility = desktop::accessibility();
    desktop::AXValue position;
    desktop::AXValue size;
    if (accessibility.copyAttribute(element, ax::position, position) != ax::success) return std::nullopt;
    if (accessibility.copyAttribute(element, ax::size, size) != ax::success) return std::nullopt;
    const auto* origin = std::get_if<core::Point>(&position);
    const auto* extent = std::get_if<core::Size>(&size);
    if (!origin || !extent) return std::nullopt;
    return core::Rect(*origin, *extent);
}

std::optional<core::Rect> moveWindow(desktop::WindowID windowID, desktop::Pid pid, const core::Rect& from,
                                     const core::Rect& to, std::optional<desktop::DisplayID> within, AXMatch match)
{
    const auto candidates = axWindows(from, pid, match);
    if (candidates.empty()) {
        VDLog::write("按 bounds" + rectDesc(from) + " 在该应用里找不到对应 AX 窗口");
        return std::nullopt;
    }
    if (candidates.size() >= 2)
        VDLog::write("按 bounds" + rectDesc(from) + " 在该应用里匹配到 " + std::to_string(candidates.size()) +
                     " 个 AX 窗口（逐个试）");

    const bool sameSize = std::abs(to.width() - from.width()) < 1 && std::abs(to.height() - from.height()) < 1;
    Acceptance acceptance;
    acceptance.from = from;
    acceptance.to = to;
    acceptance.mustLeaveFrom = std::abs(to.minX() - from.minX()) > 1 || std::abs(to.minY() - from.minY()) > 1;
    if (within) {
        acceptance.withinDisplay = true;
        if (const auto display = desktop::displays().display(*within))
            acceptance.inside = display->frame.insetBy(tolerance, tolerance);
    }

    int n = 0;
    for (const auto& element : candidates) {
        ++n;
        const auto before = axFrame(element);
        if (!writeFrame(element, to, sameSize)) {
            VDLog::write("候选 " + std::to_string(n) +
                         " 的 AX 写入被直接拒绝（AXUIElementSetAttributeValue 返回失败）⇒ 换下一个候选");
            continue;
        }

        // The window list, read by number, is the only judge: an element's own report
        // may belong to another window of the application.
        auto read = windowlist::bounds(windowID);
        int waits = 0;
        while (!acceptance.passes(read) && waits < maxReadBackWaits) {
            dispatch::sleepFor(readBackInterval);
            read = windowlist::bounds(windowID);
            ++waits;
        }
        const std::string waited = std::to_string(waits);

        if (acceptance.passes(read)) {
            if (n >= 2)
                VDLog::write("第 " + std::to_string(n) + " 个候选才命中（同坐标窗口撞车，已按回读校验选中正确的那个）");
            if (!near(read->minX(), to.minX()) || !near(read->minY(), to.minY()))
                VDLog::write("落点被系统微调：目标 " + rectDesc(to) + " → 实际 " + rectDesc(*read) +
                             "（在目标屏内，接受；等了 " + waited + " 个 80ms 才落位）");
            return read;
        }

        const auto now = axFrame(element);
        const auto listed = windowlist::bounds(windowID);
        // An element that went where the window should have is another window of the
        // application.
        const bool wrongWindowMoved = now && near(now->minX(), to.minX()) && near(now->minY(), to.minY());
        if (wrongWindowMoved && onVirtualDisplay(from) && !onVirtualDisplay(*now)) {
            // Put back, another application's window would be lost on a display that shows
            // nothing; where it went, the user sees it.
            VDLog::write("候选 " + std::to_string(n) + " 搬完校验不过（CG 回读 " + readText(listed) + "，等了 " +
                         waited + " 个 80ms），它已落在物理屏上 ⇒ 不撤回虚拟屏，换下一个候选");
        } else if (wrongWindowMoved) {
            const bool complete = writeFrame(element, from, false);
            if (!complete) writeFrame(element, from, true);
            dispatch::sleepFor(readBackInterval);
            VDLog::write("候选 " + std::to_string(n) + " 搬完校验不过（CG 回读 " + readText(listed) + "，等了 " + waited +
                         " 个 80ms），已撤回" + (complete ? "（位置+尺寸都还原）" : "（尺寸没还原成功，位置已兜回）"));
        } else {
            VDLog::write("候选 " + std::to_string(n) + " 搬完校验不过：我们写给它的目标 " + rectDesc(to) +
                         "，它自己现在 " + readText(now) + "（写之前 " + readText(before) + "），CG 回读 " +
                         readText(listed) + "，等了 " + waited + " 个 80ms" +
                         "⇒ 它**没停在目标上**（是「没动」还是「动了又回去/被夹到别处」，看上面这几个值）⇒ "
                         "不撤它，换下一个候选");
        }
    }
    return std::nullopt;
}

}  // namespace parking::WindowMover
