#include "scenario/StepRunner.h"

#include "scenario/ControlSteps.h"
#include "scenario/OutputFolder.h"
#include "scenario/StateDump.h"
#include "scenario/WorldSetup.h"

#include "foundation/Diag.h"
#include "platform/sim/Compositor.h"
#include "platform/sim/SimCapture.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimInput.h"
#include "platform/sim/SimVirtualDisplays.h"
#include "platform/sim/SimWorld.h"
#include "platform/ui/Menu.h"
#include "platform/ui/StatusItem.h"

#include <new>

namespace scenario {

StepRunner::StepRunner(Services services, app::Application& app, const OutputFolder& output, AdvanceTo advanceTo)
    : desktop_(services), app_(app), output_(output), advanceTo_(std::move(advanceTo))
{
}

std::optional<std::string> StepRunner::run(const Step& step, const std::string& path)
{
    auto& world = desktop_.world;
    auto& input = desktop_.input;
    switch (step.kind) {
    case StepKind::pointer: input.userMouseMove(step.to); break;
    case StepKind::mouseDown: input.userMouseDown(step.button, step.point.value_or(input.pointerLocation())); break;
    case StepKind::mouseUp: input.userMouseUp(step.button, step.point.value_or(input.pointerLocation())); break;
    case StepKind::click: {
        const core::Point at = step.point.value_or(input.pointerLocation());
        input.userMouseDown(step.button, at, step.count);
        input.userMouseUp(step.button, at, step.count);
        break;
    }
    case StepKind::drag: drag(step); break;
    case StepKind::keyDown: input.userKeyDown(step.code, step.modifiers); break;
    case StepKind::keyUp: input.userKeyUp(step.code, step.modifiers); break;
    case StepKind::key:
        input.userKeyDown(step.code, step.modifiers);
        input.userKeyUp(step.code, step.modifiers);
        break;
    case StepKind::windowMove: world.setFrame(step.window, step.frame); break;
    case StepKind::windowClose:
        if (!step.title.empty()) return closeOwnWindow(step, path, world);
        world.removeWindow(step.window);
        break;
    case StepKind::windowMinimize:
    case StepKind::windowRestore: world.setMinimized(step.window, step.kind == StepKind::windowMinimize); break;
    case StepKind::windowRaise: world.raise(step.window); break;
    case StepKind::windowCreate: {
        const auto owner = world.app(step.pid);
        // A window of an application that has quit (or of one that took the number
        // meanwhile) never appears.
        if (owner && !owner->info.terminated && !world.window(step.newWindow.id))
            world.addWindow(simWindow(step.newWindow, step.pid), /*inFront=*/true);
        break;
    }
    case StepKind::windowContent: world.setContent(step.window, step.content); break;
    case StepKind::appActivate: world.setFrontmost(step.pid); break;
    case StepKind::appHide:
    case StepKind::appUnhide: world.setHidden(step.pid, step.kind == StepKind::appHide); break;
    case StepKind::appQuit: world.terminate(step.pid); break;
    case StepKind::appLaunch:
        world.addApp(simApp(step.newApp));
        // Its windows come in front of the others, in the order listed.
        for (auto it = step.newApp.windows.rbegin(); it != step.newApp.windows.rend(); ++it)
            world.addWindow(simWindow(*it, step.newApp.pid), /*inFront=*/true);
        break;
    case StepKind::appBehavior: world.setBehavior(step.pid, step.behavior); break;
    case StepKind::displayAdd: world.addDisplay(displayInfo(step.newDisplay)); break;
    case StepKind::displayRemove: world.removeDisplay(step.display); break;
    case StepKind::displayMove: world.setDisplayFrame(step.display, step.frame); break;
    case StepKind::virtualDisplayTerminate:
        if (!desktop_.virtualDisplays.terminate(step.virtualDisplay))
            Diag::log("virtualDisplay.terminate: no virtual display" +
                      (step.virtualDisplay ? " id=" + std::to_string(*step.virtualDisplay) : std::string()));
        break;
    case StepKind::permission:
        if (step.screenRecording) world.setScreenRecordingAllowed(*step.screenRecording);
        if (step.accessibility) world.setAccessibilityTrusted(*step.accessibility);
        break;
    case StepKind::captureFault:
        desktop_.capture.injectFault(
            step.window, step.fault,
            step.errorCode.value_or(desktop::captureError::failedApplicationConnectionInterrupted), step.count);
        break;
    case StepKind::command: app_.runCommand(step.call); break;
    case StepKind::focus: app_.focusWindow(step.window); break;
    case StepKind::statusItemClick: return clickStatusItem(path);
    case StepKind::menuChoose: return chooseFromMenu(step, path);
    case StepKind::signal: app_.deliverSignal(step.name); break;
    case StepKind::screenshot: return screenshot(step, path);
    case StepKind::state:
        if (!output_.write(step.file, stateDump(world, input, desktop_.hotKeys, app_)))
            return path + ".file: cannot write " + output_.path(step.file);
        break;
    case StepKind::control: return workControl(step, path, input);
    case StepKind::controls:
        if (!output_.write(step.file, controlsDump())) return path + ".file: cannot write " + output_.path(step.file);
        break;
    case StepKind::quit: app_.quit(); break;
    }
    return std::nullopt;
}

// Press at the start, moves spread evenly over the duration, release at the end.
void StepRunner::drag(const Step& step)
{
    auto& input = desktop_.input;
    input.userMouseMove(step.from);
    input.userMouseDown(sim::MouseButton::left, step.from);
    for (int i = 1; i <= step.moves; ++i) {
        const double f = static_cast<double>(i) / step.moves;
        if (!advanceTo_(step.at + step.duration * f)) return;
        input.userMouseMove({step.from.x + (step.to.x - step.from.x) * f, step.from.y + (step.to.y - step.from.y) * f});
    }
    input.userMouseUp(sim::MouseButton::left, step.to);
}

// As the user does: the pointer goes to the item's centre and clicks there.
std::optional<std::string> StepRunner::clickStatusItem(const std::string& path)
{
    const auto items = ui::StatusItem::all();
    const auto displays = desktop_.world.displays();
    if (items.empty() || displays.empty()) return path + ": there is no status item to click";
    const core::Rect frame = core::flipped(items.front()->frame(), displays.front().frame.height());
    const core::Point centre{frame.midX(), frame.midY()};
    auto& input = desktop_.input;
    input.userMouseMove(centre);
    input.userMouseDown(sim::MouseButton::left, centre);
    input.userMouseUp(sim::MouseButton::left, centre);
    return std::nullopt;
}

std::optional<std::string> StepRunner::chooseFromMenu(const Step& step, const std::string& path)
{
    const std::string quoted = "\"" + step.title + "\"";
    if (!ui::Menu::isAnyMenuOpen()) return path + ": no open menu holds " + quoted;
    if (!ui::Menu::chooseInFrontMenu(step.title)) return path + ": the front-most open menu holds no " + quoted;
    return std::nullopt;
}

std::optional<std::string> StepRunner::screenshot(const Step& step, const std::string& path)
{
    if (step.screenshotDisplay && !desktop_.world.display(*step.screenshotDisplay))
        return path + ".display: display " + std::to_string(*step.screenshotDisplay) + " is not connected";
    bool outOfMemory = false;
    const auto paint = [&](const std::string& file) {
        try {
            return sim::writeDesktopPng(desktop_.world, step.screenshotDisplay, file);
        } catch (const std::bad_alloc&) {
            // A display may be 16384 points square: its picture alone takes a gibibyte.
            outOfMemory = true;
            return false;
        }
    };
    if (!output_.writeThrough(step.file, paint))
        return path + ".file: " + (outOfMemory ? "not enough memory to draw " : "cannot write ") +
               output_.path(step.file);
    return std::nullopt;
}

}  // namespace scenario
