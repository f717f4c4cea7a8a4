#include "app/CommandTable.h"

#include "app/AppDelegate.h"
#include "app/PanelCommands.h"
#include "panels/PipPanel.h"

#include <iterator>

namespace app {
namespace {

constexpr CommandFields noFields{};
constexpr CommandFields anyWindow{.window = FieldUse::optional};
constexpr CommandFields aWindow{.window = FieldUse::required};
constexpr CommandFields aWindowAndRegion{.window = FieldUse::required, .region = FieldUse::optional};

using Target = const CommandTarget&;

void mirrorTarget(Target target)
{
    if (!target.window) return;
    const auto& region = target.region;
    mirrorWindow(*target.window, region ? panels::FocusRegion{region->x(), region->y(), region->width(), region->height()}
                                        : panels::FocusRegion{});
}

// One row per command, in the order of the enum.
constexpr CommandRow rows[]{
    {Command::togglePauseAll, "togglePauseAll", noFields, [](AppDelegate& app, Target) { app.togglePauseAll(); }},
    {Command::closeAll, "closeAll", noFields, [](AppDelegate& app, Target) { app.closeAll(); }},
    {Command::tileAll, "tileAllAction", noFields, [](AppDelegate&, Target) { PipPanel::tileAll(); }},
    {Command::togglePanels, "togglePanelsAction", noFields,
     [](AppDelegate& app, Target) { app.togglePanelsVisibility(); }},
    {Command::captureFrontmost, "captureFrontmostAction", noFields,
     [](AppDelegate& app, Target) { app.captureFrontmost(); }},
    {Command::beginFocusCreate, "beginFocusCreate", anyWindow,
     [](AppDelegate&, Target target) { beginFocusCreateOn(target.window); }},
    {Command::rescueCursor, "rescueNow", noFields, [](AppDelegate& app, Target) { app.rescueNow(); }},
    {Command::openPermissionAuth, "openPermissionAuth", noFields,
     [](AppDelegate& app, Target) { app.openPermissionAuth(); }},
    {Command::openScreenSettings, "openScreenSettings", noFields,
     [](AppDelegate& app, Target) { app.openScreenSettings(); }},
    {Command::openAXSettings, "openAXSettings", noFields, [](AppDelegate& app, Target) { app.openAXSettings(); }},
    {Command::repairPermission, "repairPermission", noFields, [](AppDelegate& app, Target) { app.repairPermission(); }},
    {Command::relaunch, "relaunch", noFields, [](AppDelegate& app, Target) { app.relaunch(); }},
    {Command::quitApp, "quitApp", noFields, [](AppDelegate& app, Target) { app.quitApp(); }},
    {Command::checkForUpdates, "checkForUpdatesAction", noFields,
     [](AppDelegate& app, Target) { app.checkForUpdatesAction(); }},
    {Command::startUpdateDownload, "startUpdateDownload", noFields,
     [](AppDelegate& app, Target) { app.startUpdateDownload(); }},
    {Command::installUpdateNow, "installUpdateNow", noFields, [](AppDelegate& app, Target) { app.installUpdateNow(); }},
    {Command::showSettings, "showSettings", noFields, [](AppDelegate& app, Target) { app.showSettings(); }},
    {Command::showHotkeySettings, "showHotkeySettings", noFields,
     [](AppDelegate& app, Target) { app.showHotkeySettings(); }},
    {Command::openHelpCenter, "openHelpCenter", noFields, [](AppDelegate& app, Target) { app.openHelpCenter(); }},
    {Command::copyDiagnostics, "copyDiagnosticsAction", noFields,
     [](AppDelegate& app, Target) { app.copyDiagnosticsAction(); }},
    {Command::mirrorWindow, "mirrorWindow", aWindowAndRegion, [](AppDelegate&, Target target) { mirrorTarget(target); }},
    {Command::closePanel, "closePanel", aWindow,
     [](AppDelegate&, Target target) {
         if (target.window) closePanels(*target.window);
     }},
};

constexpr bool oneRowPerCommandInOrder()
{
    for (std::size_t i = 0; i < std::size(rows); ++i)
        if (rows[i].command != static_cast<Command>(i)) return false;
    return std::size(rows) == static_cast<std::size_t>(Command::closePanel) + 1;
}
static_assert(oneRowPerCommandInOrder(), "every command has its row, in the order of the enum");

constexpr bool namesDiffer()
{
    for (std::size_t i = 0; i < std::size(rows); ++i)
        for (std::size_t j = i + 1; j < std::size(rows); ++j)
            if (rows[i].name == rows[j].name) return false;
    return true;
}
static_assert(namesDiffer(), "a step name belongs to one command");

}  // namespace

const CommandRow& commandRow(Command command) { return rows[static_cast<std::size_t>(command)]; }

const CommandRow* commandNamed(std::string_view name)
{
    for (const CommandRow& row : rows)
        if (row.name == name) return &row;
    return nullptr;
}

}  // namespace app
