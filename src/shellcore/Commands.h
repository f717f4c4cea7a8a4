#pragma once

#include <optional>
#include <string_view>

// The application's commands: what a status-menu item, a hot key and a scenario's
// command step run. Menu entries and hot-key rows name a command; the delegate carries
// it out. Pure.
namespace app {

enum class Command {
    togglePauseAll,
    closeAll,
    tileAll,
    togglePanels,
    captureFrontmost,
    beginFocusCreate,
    rescueCursor,
    openPermissionAuth,
    openScreenSettings,
    openAXSettings,
    repairPermission,
    relaunch,
    quitApp,
    checkForUpdates,
    startUpdateDownload,
    installUpdateNow,
    showSettings,
    showHotkeySettings,
    openHelpCenter,
    copyDiagnostics,
};

struct CommandSpec {
    Command command;
    std::string_view name;     // a scenario step's name for it
    bool takesWindow = false;  // a step may name the one window it acts on
};

// The spec of the command a scenario step names; none for an unknown name (names are
// case-sensitive).
std::optional<CommandSpec> commandNamed(std::string_view name);

}  // namespace app
