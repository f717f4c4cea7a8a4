#include "app/AppDelegate.h"

#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "panels/views/PanelContentView.h"
#include "panels/PipPanel.h"
#include "parking/watchers/CursorGuard.h"
#include "platform/core/AppIdentity.h"
#include "platform/desktop/Desktop.h"
#include "settings/guide/OnboardingWindow.h"
#include "settings/SettingsWindow.h"
#include "update/AppUpdate.h"
#include "update/HelpCenter.h"
#include "update/UpdateInstaller.h"

#include <QCoreApplication>
#include <QPointer>

// The commands of the status menu, the hot keys and scenario steps other than making a
// mini window; the command table says which runs for which command.
namespace app {
namespace {

constexpr double relaunchDelay = 0.2;
// tccutil answers at once; a hung one must not hold the application for long.
constexpr double tccutilTimeout = 10;
constexpr int hotkeysTab = 1;

const std::string screenCapturePane = "x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture";
const std::string accessibilityPane = "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

// The executable and the arguments this process was started with.
std::pair<std::string, std::vector<std::string>> ownCommandLine()
{
    const auto* application = QCoreApplication::instance();
    if (!application) return {};
    std::vector<std::string> arguments;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i) arguments.push_back(all[i].toStdString());
    return {QCoreApplication::applicationFilePath().toStdString(), arguments};
}

}  // namespace

void AppDelegate::togglePauseAll()
{
    for (PipPanel* panel : PipPanel::all()) {
        panel->isPaused = !panel->isPaused;
        panel->mirror->setPaused(panel->isPaused);
        panel->content->setPaused(panel->isPaused);
    }
}

void AppDelegate::closeAll()
{
    const std::vector<QPointer<PipPanel>> snapshot(PipPanel::all().begin(), PipPanel::all().end());
    for (const auto& panel : snapshot)
        if (panel) panel->closePanel(true);
}

void AppDelegate::togglePanelsVisibility() { panelHiding_.togglePanelsVisibility(); }

void AppDelegate::openPermissionAuth() { OnboardingWindow::showPermissionPage(); }

void AppDelegate::openScreenSettings() { EventBridge::openSettingsPane(screenCapturePane); }

void AppDelegate::openAXSettings() { EventBridge::openSettingsPane(accessibilityPane); }

void AppDelegate::repairPermission()
{
    Diag::log("修复授权执行: tccutil reset ScreenCapture + relaunch");
    const std::string& bundleIdentifier = core::AppIdentity::current().bundleIdentifier;
    if (bundleIdentifier.empty()) return;
    // A tool that cannot start or fails changes nothing about the relaunch.
    desktop::tools().run("/usr/bin/tccutil", {"reset", "ScreenCapture", bundleIdentifier}, tccutilTimeout);
    runOnMainAfter(relaunchDelay, lifetime_.guard([](AppDelegate& self) { self.relaunchOnly(); }));
}

void AppDelegate::relaunch()
{
    openScreenSettings();
    runOnMainAfter(relaunchDelay, lifetime_.guard([](AppDelegate& self) { self.relaunchOnly(); }));
}

void AppDelegate::relaunchOnly()
{
    // Opening the running copy would only activate it; a new copy waits until this one has
    // given up its instance lock, then passes the single-instance rule.
    auto [path, arguments] = ownCommandLine();
    if (!path.empty()) {
        arguments.emplace_back(awaitInstanceLockArgument);
        if (!desktop::tools().launch(path, arguments)) Diag::log("重新启动: 无法启动新进程 " + path);
    }
    quitApp();
}

void AppDelegate::quitApp() { quit(); }

void AppDelegate::checkForUpdatesAction()
{
    Diag::log("更新: 菜单点击「检查更新」");
    AppUpdate::checkManually(lifetime_.guard([](AppDelegate& self) { self.rebuildMenu(false); }));
}

void AppDelegate::startUpdateDownload()
{
    const UpdatePhase phase = UpdateInstaller::phase();
    if (phase.kind != UpdatePhase::Kind::available) return;
    Diag::log("更新: 菜单点击下载 " + phase.manifest.shortVersion + " build " + std::to_string(phase.manifest.build));
    UpdateInstaller::startDownload(phase.manifest);
}

void AppDelegate::installUpdateNow()
{
    Diag::log("更新: 菜单点击重启安装");
    UpdateInstaller::installAndRelaunch();
}

void AppDelegate::showSettings() { SettingsWindow::shared().showSettings(std::nullopt); }

void AppDelegate::showHotkeySettings() { SettingsWindow::shared().showSettings(hotkeysTab); }

void AppDelegate::openHelpCenter() { HelpCenter::openContact(); }

void AppDelegate::copyDiagnosticsAction() { HelpCenter::copyDiagnostics(); }

void AppDelegate::rescueNow() { CursorGuard::shared().rescueNow(); }

void AppDelegate::perform(Command command, const CommandTarget& target) { commandRow(command).run(*this, target); }

}  // namespace app
