#include "scenario/ScenarioChecks.h"

#include "scenario/JsonFields.h"
#include "scenario/ScenarioValues.h"

#include <map>
#include <set>

namespace scenario {
namespace {

// The ids that exist at some point of the run, in the order the file creates them.
class KnownIds {
public:
    void addDisplay(const ScenarioDisplay& display, const std::string& path)
    {
        if (!displays_.emplace(display.id, display.scale).second)
            refuse(path, "duplicate display " + std::to_string(display.id));
    }

    void addApp(const ScenarioApp& app, const std::string& path)
    {
        if (app.pid == sim::simulatedOwnPid)
            refuse(childPath(path, "pid"), std::to_string(app.pid) + " is the application's own pid");
        if (!apps_.insert(app.pid).second)
            refuse(childPath(path, "pid"), "duplicate application " + std::to_string(app.pid));
        for (std::size_t i = 0; i < app.windows.size(); ++i)
            addWindow(app.windows[i].id, childPath(itemPath(childPath(path, "windows"), i), "id"));
    }

    void addWindow(desktop::WindowID id, const std::string& path)
    {
        if (!windows_.insert(id).second) refuse(path, "duplicate window " + std::to_string(id));
    }

    // The display's scale.
    double needDisplay(desktop::DisplayID id, const std::string& path) const
    {
        const auto found = displays_.find(id);
        if (found == displays_.end()) refuse(path, "no display " + std::to_string(id));
        return found->second;
    }
    void needApp(desktop::Pid pid, const std::string& path) const
    {
        if (!apps_.count(pid)) refuse(path, "no application " + std::to_string(pid));
    }
    void needWindow(desktop::WindowID id, const std::string& path) const
    {
        if (!windows_.count(id)) refuse(path, "no window " + std::to_string(id));
    }

private:
    std::map<desktop::DisplayID, double> displays_;
    std::set<desktop::Pid> apps_;
    std::set<desktop::WindowID> windows_;
};

void checkStep(const Step& step, const std::string& path, KnownIds& known)
{
    switch (step.kind) {
    case StepKind::windowClose:
        // An own window, named by its title, is looked for when the step is due.
        if (step.title.empty()) known.needWindow(step.window, childPath(path, "id"));
        break;
    case StepKind::windowMove:
    case StepKind::windowMinimize:
    case StepKind::windowRestore:
    case StepKind::windowRaise:
    case StepKind::windowContent: known.needWindow(step.window, childPath(path, "id")); break;
    case StepKind::windowCreate:
        known.needApp(step.pid, childPath(path, "pid"));
        known.addWindow(step.newWindow.id, childPath(childPath(path, "window"), "id"));
        break;
    case StepKind::appActivate:
    case StepKind::appHide:
    case StepKind::appUnhide:
    case StepKind::appQuit:
    case StepKind::appBehavior: known.needApp(step.pid, childPath(path, "pid")); break;
    case StepKind::appLaunch: known.addApp(step.newApp, childPath(path, "app")); break;
    case StepKind::displayAdd: known.addDisplay(step.newDisplay, childPath(childPath(path, "display"), "id")); break;
    case StepKind::displayRemove: known.needDisplay(step.display, childPath(path, "id")); break;
    case StepKind::displayMove:
        checkDisplayPixels(step.frame, known.needDisplay(step.display, childPath(path, "id")), childPath(path, "frame"));
        break;
    case StepKind::captureFault: known.needWindow(step.window, childPath(path, "window")); break;
    case StepKind::screenshot:
        if (step.screenshotDisplay) known.needDisplay(*step.screenshotDisplay, childPath(path, "display"));
        break;
    default: break;
    }
}

}  // namespace

void checkReferences(const Scenario& scenario)
{
    KnownIds known;
    for (std::size_t i = 0; i < scenario.displays.size(); ++i)
        known.addDisplay(scenario.displays[i], childPath(itemPath("displays", i), "id"));
    for (std::size_t i = 0; i < scenario.apps.size(); ++i) known.addApp(scenario.apps[i], itemPath("apps", i));

    std::set<desktop::WindowID> listed;
    for (std::size_t i = 0; i < scenario.front.size(); ++i) {
        known.needWindow(scenario.front[i], itemPath("front", i));
        if (!listed.insert(scenario.front[i]).second)
            refuse(itemPath("front", i), "window " + std::to_string(scenario.front[i]) + " listed twice");
    }
    if (scenario.frontmost) {
        known.needApp(*scenario.frontmost, "frontmost");
        for (const auto& app : scenario.apps)
            if (app.pid == *scenario.frontmost && app.hidden)
                refuse("frontmost", "application " + std::to_string(app.pid) + " is hidden");
    }

    double end = 0;
    for (std::size_t i = 0; i < scenario.steps.size(); ++i) {
        const Step& step = scenario.steps[i];
        const std::string path = itemPath("steps", i);
        if (i > 0 && scenario.steps[i - 1].kind == StepKind::quit) refuse(path, "comes after quit");
        if (step.at < end)
            refuse(childPath(path, "at"), "before the end of the previous step (" + core::numberText(end) + ")");
        end = step.end();
        checkStep(step, path, known);
    }
    if (scenario.until < end) refuse("until", "before the end of the last step (" + core::numberText(end) + ")");
}

void checkOutputFiles(const Scenario& scenario)
{
    std::map<std::string, std::size_t> files;    // a step's file → the step
    std::map<std::string, std::size_t> folders;  // a folder some step's file lies in → that step
    const auto stepText = [](std::size_t i) { return itemPath("steps", i); };
    for (std::size_t i = 0; i < scenario.steps.size(); ++i) {
        const std::string& file = scenario.steps[i].file;
        if (file.empty()) continue;
        const std::string path = childPath(stepText(i), "file");
        if (const auto same = files.find(file); same != files.end())
            refuse(path, "\"" + file + "\" is written by " + stepText(same->second) + " already");
        if (const auto folder = folders.find(file); folder != folders.end())
            refuse(path, "\"" + file + "\" is a folder for " + stepText(folder->second) + ".file");
        for (auto slash = file.find('/'); slash != std::string::npos; slash = file.find('/', slash + 1)) {
            const std::string parent = file.substr(0, slash);
            if (const auto other = files.find(parent); other != files.end())
                refuse(path, "\"" + parent + "\" is the file of " + stepText(other->second) + ", not a folder");
            folders.emplace(parent, i);
        }
        files.emplace(file, i);
    }
}

}  // namespace scenario
