#include "foundation/EventBridge.h"

#include "foundation/Diag.h"
#include "foundation/LogText.h"
#include "platform/desktop/Desktop.h"

namespace EventBridge {
namespace {

desktop::Accessibility& ax() { return desktop::accessibility(); }

// The window's element, for the trusted operations that need one.
std::optional<desktop::Element> trustedWindowElement(desktop::WindowID windowID, desktop::Pid pid)
{
    if (!ax().isTrusted()) return std::nullopt;
    const auto list = axWindows(pid, false);
    if (!list) return std::nullopt;
    return list->element(windowID);
}

// A reported minimum size counts only when its larger side is above 0.
std::optional<core::Size> reportedMinSize(const desktop::Element& element)
{
    desktop::AXValue value;
    if (ax().copyAttribute(element, desktop::ax::minSize, value) != desktop::ax::success) return std::nullopt;
    const auto* size = std::get_if<core::Size>(&value);
    if (!size || std::max(size->width, size->height) <= 0) return std::nullopt;
    return *size;
}

}  // namespace

std::optional<desktop::Element> AXWindowList::element(desktop::WindowID windowID) const
{
    for (std::size_t i = 0; i < windowIDs.size(); ++i) {
        if (windowIDs[i] == windowID) return elements[i];
    }
    return std::nullopt;
}

bool ensureAccessibility(bool prompt)
{
    const bool trusted = ax().isTrusted(prompt);
    if (!trusted) Diag::log("辅助功能未授权，已弹原生授权框 prompt=" + boolText(prompt));
    return trusted;
}

std::optional<AXWindowList> axWindows(desktop::Pid pid, bool logFailures)
{
    desktop::AXValue value;
    const desktop::ax::Error error =
        ax().copyAttribute(desktop::Accessibility::applicationElement(pid), desktop::ax::windows, value);
    const auto* elements = std::get_if<std::vector<desktop::Element>>(&value);
    if (error != desktop::ax::success || !elements) {
        if (logFailures) {
            Diag::log("AX窗口列表读取失败: err=" + std::to_string(error) + " pid=" + std::to_string(pid));
        }
        return std::nullopt;
    }
    AXWindowList list;
    for (const auto& element : *elements) {
        const auto number = ax().windowNumber(element);
        if (!number) continue;
        list.windowIDs.push_back(*number);
        list.elements.push_back(element);
    }
    return list;
}

std::optional<core::Rect> axWindowFrame(desktop::WindowID windowID, desktop::Pid pid)
{
    const auto element = trustedWindowElement(windowID, pid);
    if (!element) return std::nullopt;
    desktop::AXValue position;
    desktop::AXValue size;
    if (ax().copyAttribute(*element, desktop::ax::position, position) != desktop::ax::success) return std::nullopt;
    if (ax().copyAttribute(*element, desktop::ax::size, size) != desktop::ax::success) return std::nullopt;
    const auto* origin = std::get_if<core::Point>(&position);
    const auto* extent = std::get_if<core::Size>(&size);
    if (!origin || !extent) return std::nullopt;
    return core::Rect(*origin, *extent);
}

bool axSetWindowFrame(desktop::WindowID windowID, desktop::Pid pid, const core::Rect& frame, bool sizeFirst)
{
    const auto element = trustedWindowElement(windowID, pid);
    if (!element) return false;
    const auto written = ax().setFrame(*element, frame, sizeFirst);
    const bool ok = written.size == desktop::ax::success && written.position == desktop::ax::success;
    if (!ok) {
        Diag::log("AX写frame: size=" + std::to_string(written.size) + " pos=" + std::to_string(written.position) +
                  " id=" + std::to_string(windowID));
    }
    return ok;
}

bool axSetWindowPosition(desktop::WindowID windowID, desktop::Pid pid, core::Point origin)
{
    const auto element = trustedWindowElement(windowID, pid);
    if (!element) return false;
    const desktop::ax::Error result = ax().setAttribute(*element, desktop::ax::position, origin);
    if (result == desktop::ax::success) return true;
    Diag::log("AX写position: err=" + std::to_string(result) + " id=" + std::to_string(windowID));
    return false;
}

std::optional<core::Size> axWindowMinSize(desktop::WindowID windowID, desktop::Pid pid)
{
    if (const auto element = trustedWindowElement(windowID, pid)) {
        if (const auto size = reportedMinSize(*element)) return size;
    }
    return reportedMinSize(desktop::Accessibility::applicationElement(pid));
}

bool axWindowMinimized(const desktop::Element& element)
{
    desktop::AXValue value;
    if (ax().copyAttribute(element, desktop::ax::minimized, value) != desktop::ax::success) return false;
    const auto* minimized = std::get_if<bool>(&value);
    return minimized && *minimized;
}

std::optional<bool> windowMinimizedState(desktop::WindowID windowID, desktop::Pid pid)
{
    if (pid < 1) return std::nullopt;
    const auto element = trustedWindowElement(windowID, pid);
    if (!element) return std::nullopt;
    return axWindowMinimized(*element);
}

void raiseWindow(desktop::Pid pid, desktop::WindowID windowID)
{
    const auto list = axWindows(pid, true);
    const auto element = list ? list->element(windowID) : std::nullopt;
    if (!element) {
        Diag::log("raiseWindow: 窗口元素未找到 pid=" + std::to_string(pid) + " windowID=" + std::to_string(windowID));
        return;
    }
    const desktop::ax::Error result = ax().performAction(*element, desktop::ax::raise);
    Diag::log("raiseWindow: pid=" + std::to_string(pid) + " windowID=" + std::to_string(windowID) +
              " 结果=" + std::to_string(result));
}

}  // namespace EventBridge
