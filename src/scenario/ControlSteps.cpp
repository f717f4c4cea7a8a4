#include "scenario/ControlSteps.h"

#include "scenario/StateDump.h"

#include "app/RectJson.h"
#include "platform/sim/SimInput.h"
#include "platform/sim/SimWorld.h"
#include "platform/ui/ControlActions.h"
#include "platform/ui/ControlDump.h"
#include "platform/ui/ControlNames.h"
#include "platform/ui/Window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QSlider>

namespace scenario {
namespace {

using Json = nlohmann::ordered_json;

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string valueText(const ControlValue& value)
{
    return std::holds_alternative<bool>(value) ? (std::get<bool>(value) ? "true" : "false")
                                               : std::to_string(std::get<int>(value));
}

// The pointer goes to the control's centre and clicks there.
void click(QWidget& control, sim::SimInput& input)
{
    const core::Point centre = ui::revealForClick(control);
    input.userMouseMove(centre);
    input.userMouseDown(sim::MouseButton::left, centre);
    input.userMouseUp(sim::MouseButton::left, centre);
}

Json valueJson(const std::optional<std::variant<bool, int>>& value)
{
    if (!value) return nullptr;
    if (const auto* flag = std::get_if<bool>(&*value)) return *flag;
    return std::get<int>(*value);
}

}  // namespace

std::optional<std::string> workControl(const Step& step, const std::string& path, sim::SimInput& input)
{
    const std::string idPath = path + ".id";
    const std::string valuePath = path + ".value";
    const std::string windowName = step.control.substr(0, step.control.find('.'));
    ui::Window* window = ui::shownWindow(windowName);
    if (!window) return idPath + ": no window " + quoted(windowName) + " is shown";
    QWidget* control = ui::shownControl(*window, step.control);
    if (!control) return idPath + ": the window " + quoted(windowName) + " shows no control " + quoted(step.control);
    const std::string kind = ui::listedKind(*control);
    const std::string named = "the " + kind + " " + quoted(step.control);
    const int* number = step.value ? std::get_if<int>(&*step.value) : nullptr;
    const bool* flag = step.value ? std::get_if<bool>(&*step.value) : nullptr;

    // As for the user, a disabled control takes nothing.
    const bool enabled = control->isEnabled();
    if (auto* slider = qobject_cast<QSlider*>(control)) {
        if (!number) return valuePath + ": " + named + " needs an integer value";
        if (*number < slider->minimum() || *number > slider->maximum())
            return valuePath + ": " + std::to_string(*number) + " is outside the range of " + named + ", " +
                   std::to_string(slider->minimum()) + " to " + std::to_string(slider->maximum());
        if (enabled) ui::dragSlider(*slider, *number);
        return std::nullopt;
    }
    if (auto* popup = qobject_cast<QComboBox*>(control)) {
        if (!number) return valuePath + ": " + named + " needs an item index";
        if (*number < 0 || *number >= popup->count())
            return valuePath + ": " + named + " has no item " + std::to_string(*number) + " (it holds " +
                   std::to_string(popup->count()) + ")";
        if (enabled) ui::choosePopupItem(*popup, *number);
        return std::nullopt;
    }
    if (kind == "switch" || kind == "checkbox") {
        if (number) return valuePath + ": " + named + " takes true or false";
        const auto* toggle = qobject_cast<QAbstractButton*>(control);
        if (flag && toggle && toggle->isChecked() == *flag) return std::nullopt;
    } else if (step.value) {
        return valuePath + ": " + named + " takes no value, not " + valueText(*step.value);
    }
    click(*control, input);
    return std::nullopt;
}

std::optional<std::string> closeOwnWindow(const Step& step, const std::string& path, sim::SimWorld& world)
{
    // Qt keeps its top-level widgets unordered; the desktop's stack says which is in front.
    ui::Window* front = nullptr;
    world.visitStack([&](const sim::SimWindow& listed, const sim::SimApp*, bool) {
        if (!listed.own || listed.title != step.title) return true;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<ui::Window*>(widget);
                window && window->windowNumber() == listed.id && window->isVisible())
                front = window;
        return front == nullptr;
    });
    if (!front) return path + ": no own window titled " + quoted(step.title) + " is shown";
    front->close();
    return std::nullopt;
}

std::string controlsDump()
{
    Json windows = Json::array();
    for (const auto& window : ui::shownControls()) {
        Json controls = Json::array();
        for (const auto& c : window.controls)
            controls.push_back({{"id", c.id},
                                {"kind", c.kind},
                                {"text", c.text ? Json(*c.text) : Json(nullptr)},
                                {"value", valueJson(c.value)},
                                {"enabled", c.enabled},
                                {"frame", app::rectJson(c.frame)},
                                {"clipped", c.clipped}});
        windows.push_back({{"name", window.name}, {"title", window.title}, {"controls", std::move(controls)}});
    }
    return Json{{"windows", std::move(windows)}}.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace scenario
