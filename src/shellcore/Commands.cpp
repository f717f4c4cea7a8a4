#include "shellcore/Commands.h"

#include <array>

namespace app {
namespace {

constexpr std::array commandTable{
    CommandSpec{Command::togglePauseAll, "togglePauseAll"},
    CommandSpec{Command::closeAll, "closeAll"},
    CommandSpec{Command::tileAll, "tileAllAction"},
    CommandSpec{Command::togglePanels, "togglePanelsAction"},
    CommandSpec{Command::captureFrontmost, "captureFrontmostAction"},
    CommandSpec{Command::beginFocusCreate, "beginFocusCreate", /*takesWindow=*/true},
    CommandSpec{Command::rescueCursor, "rescueNow"},
    CommandSpec{Command::openPermissionAuth, "openPermissionAuth"},
    CommandSpec{Command::openScreenSettings, "openScreenSettings"},
    CommandSpec{Command::openAXSettings, "openAXSettings"},
    CommandSpec{Command::repairPermission, "repairPermission"},
    CommandSpec{Command::relaunch, "relaunch"},
    CommandSpec{Command::quitApp, "quitApp"},
    CommandSpec{Command::checkForUpdates, "checkForUpdatesAction"},
    CommandSpec{Command::startUpdateDownload, "startUpdateDownload"},
    CommandSpec{Command::installUpdateNow, "installUpdateNow"},
    CommandSpec{Command::showSettings, "showSettings"},
    CommandSpec{Command::showHotkeySettings, "showHotkeySettings"},
    CommandSpec{Command::openHelpCenter, "openHelpCenter"},
    CommandSpec{Command::copyDiagnostics, "copyDiagnosticsAction"},
};

}  // namespace

std::optional<CommandSpec> commandNamed(std::string_view name)
{
    for (const CommandSpec& spec : commandTable)
        if (spec.name == name) return spec;
    return std::nullopt;
}

}  // namespace app
