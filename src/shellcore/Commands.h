#pragma once

// The application's commands: what a status-menu item, a hot key and a scenario's
// command step run. Menu entries and hot-key rows name a command; the application's
// command table gives each its step name, its fields and what it does. Pure.
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
    // Only a scenario gives these: they stand for what the user does with the pointer
    // on a given window.
    mirrorWindow,
    closePanel,
};

}  // namespace app
