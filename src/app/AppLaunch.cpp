#include "app/AppDelegate.h"

#include "app/DebugHooks.h"
#include "app/HeadlessNotices.h"
#include "app/HoldKeyMonitor.h"
#include "app/HotKeyRegistry.h"
#include "app/HoverPIPTrigger.h"
#include "app/LaunchSelfTests.h"
#include "app/MenuShot.h"
#include "app/MenuThumbnail.h"
#include "app/ParkingSetup.h"
#include "app/ScrollProbe.h"
#include "capture/Catalog.h"
#include "capture/MirrorView.h"
#include "foundation/Diag.h"
#include "foundation/LaunchAtLogin.h"
#include "foundation/L10n.h"
#include "panels/pin/FixedPreviewTopStrip.h"
#include "panels/pin/LearnedMinSizes.h"
#include "panels/PipPanel.h"
#include "parking/watchers/CursorGuard.h"
#include "parking/watchers/ParkedFocusWatcher.h"
#include "parking/ledger/VDLog.h"
#include "parking/display/DisplayController.h"
#include "parking/display/VDShim.h"
#include "platform/core/AppIdentity.h"
#include "platform/core/Paths.h"
#include "platform/core/TextFormat.h"
#include "platform/defaults/Defaults.h"
#include "platform/defaults/TurnOffHint.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/linux/InstanceLock.h"
#include "platform/ui/AlertPresenter.h"
#include "platform/ui/SignalPipe.h"
#include "platform/ui/StatusItem.h"
#include "settings/guide/OnboardingWindow.h"
#include "settings/SettingsWindow.h"
#include "update/AppUpdate.h"
#include "update/ApplicationQuit.h"
#include "update/CrashReporter.h"
#include "update/UpdateInstaller.h"

#include <atomic>
#include <csignal>
#include <memory>

// The launch sequence, in the order the rest of the application relies on.
namespace app {
namespace {

constexpr double refreshInterval = 30;
constexpr double warmWindowAfterMenuOpened = 600;
constexpr double menuShotWatchdog = 14;
constexpr double menuShotOpenDelay = 3.5;
constexpr double menuShotDelay = 1.9;

bool screenRecordingAllowed() { return desktop::permissions().screenCapturePreflight(); }

std::string boolText(bool value) { return value ? "true" : "false"; }

// Only standard error heard of a settings file moved aside at the store's first read; a
// user who started Glimra from a menu would meet the guide again without knowing why.
void reportMovedAsideSettings()
{
    const auto backup = defaults::Defaults::standard().takeMovedAside();
    if (!backup) return;
    Diag::log("设置文件无法读取，已原样移到 " + *backup + " ⇒ 改用默认设置");
    dispatch::main().async([backup = *backup] {
        const std::string text = L10n::t("设置文件无法读取，已原样移到 %@；Glimra 现以默认设置运行。");
        ui::AlertPresenter::shared().runModal({core::formatText(text, {backup}), {}, {}, ui::AlertStyle::warning});
    });
}

}  // namespace

void AppDelegate::applicationDidFinishLaunching(const std::vector<std::string>& args)
{
    CrashReporter::start();
    VDLog::sink = [](const std::string& line) { Diag::log(line); };
    installParking();
    PipPanel::syncMiniWindowFlag();
    // Self-test files and the menu shot go to the temporary folder of the run.
    MenuThumbnail::reset();
    MirrorView::restartFrameLog();
    MenuThumbnail::setDirectory(core::paths::temporaryFolder() + "/glimra-menu-thumbs");
    if (runSelfTest(args)) return;

    displayObserver_ = desktop::displays().addConfigurationObserver([] { PipPanel::handleScreenReconfiguration(); });
    frontWatch_ = std::make_unique<ForeignFrontWatch>();
    ParkedFocusWatcher::shared().start();
    if (!passSingleInstanceRule(args)) return;
    logStartupLines();
    CursorGuard::shared().start();
    cursorGuardStarted_ = true;
    LaunchAtLogin::applyFirstLaunchDefault();
    pin::LearnedMinSizes::resetForLaunch();

    ScrollProbe::install();
    installSettingsHooks();
    setApplicationQuit(lifetime_.guard([](AppDelegate& self) { self.quit(); }));
    DebugHooks::installDebugSignal(
        args, {.createPanel = lifetime_.guard(
                   [](AppDelegate& self, const desktop::ShareableWindow& window, const panels::FocusRegion& focus,
                      const std::string& reason) { self.createPanel(window, focus, reason); }),
               .showSettings = [](std::optional<int> tab) { SettingsWindow::shared().showSettings(tab); }});
    DebugHooks::installDiagnostics();
    installSignals();

    installStatusItem();
    if (MenuShot::mode(args)) {
        menuShotLaunch();
        return;
    }
    installHotKeys();
    installHoverTrigger();
    reportMovedAsideSettings();
    OnboardingWindow::showIfNeeded();
    if (screenRecordingAllowed()) statusMenu_->refreshCache(/*warmThumbs=*/true);
    startRefreshTimer();
    observeUpdates();
    AppUpdate::autoCheckOnLaunch();
}

bool AppDelegate::runSelfTest(const std::vector<std::string>& args)
{
    const auto test = requestedSelfTest(args);
    if (!test) return false;
    if (const auto line = selfTestLogLine(*test)) Diag::log(*line);
    switch (*test) {
    case LaunchSelfTest::diagnostics: exitWith(runDiagnosticsSelfTest()); break;
    case LaunchSelfTest::menuThumbnails: {
        // The process keeps running without the rest of the launch until the thumbnails
        // are written.
        const auto endRun = lifetime_.guard([](AppDelegate& self, int status) { self.exitWith(status); });
        Catalog::list([endRun](Catalog::Listing listing) {
            MenuThumbnail::selfTest(listing.windows, MenuThumbnail::directory(), endRun);
        });
        break;
    }
    default: exitWith(runLogOnlySelfTest(*test)); break;
    }
    return true;
}

bool AppDelegate::takeInstanceLock(const std::vector<std::string>& args)
{
    const std::string folder = linuxdesktop::InstanceLock::defaultFolder();
    if (const auto problem = linuxdesktop::InstanceLock::prepareFolder(folder)) {
        Diag::log("单实例: 实例目录不可用（" + *problem + "）⇒ 跳过单实例检查 " + folder);
        return false;
    }
    instanceLock_ = std::make_unique<linuxdesktop::InstanceLock>(folder);
    const bool awaited = std::find(args.begin(), args.end(), awaitInstanceLockArgument) != args.end();
    const auto result = awaited ? instanceLock_->waitForRelease(awaitInstanceLockSeconds) : instanceLock_->tryLock();
    if (result != linuxdesktop::InstanceLock::Result::acquired) return true;
    std::string error;
    const bool listening = instanceLock_->listen(
        lifetime_.guard([](AppDelegate& self) { self.applicationShouldHandleReopen(false); }), &error);
    if (!listening) Diag::log("单实例: 无法监听重开请求（" + error + "）");
    // The copy this one waited for has quit; what the desktop still lists of it is stale.
    return !awaited;
}

bool AppDelegate::passSingleInstanceRule(const std::vector<std::string>& args)
{
    const std::string& bundleIdentifier = core::AppIdentity::current().bundleIdentifier;
    if (MenuShot::mode(args) || bundleIdentifier.empty()) return true;
    if (!takeInstanceLock(args)) return true;
    auto& workspace = desktop::workspace();
    const auto running = workspace.applications(bundleIdentifier);
    if (running.empty() || running.front().pid == workspace.ownPid()) return true;
    workspace.activate(running.front().pid);
    Diag::log("检测到已有实例 pid=" + std::to_string(running.front().pid) + " → 激活并退出当前进程");
    exitWith(0);
    return false;
}

void AppDelegate::logStartupLines()
{
    const auto& identity = core::AppIdentity::current();
    Diag::log("启动 preflightScreen=" + boolText(screenRecordingAllowed()) +
              " ax=" + boolText(desktop::accessibility().isTrusted()) + " path=" + identity.bundlePath);
    Diag::log(std::string("启动 虚拟屏自救=") + (parking::DisplayController::isFeatureEnabled() ? "开启" : "关闭") +
              "（系统支持=" + boolText(VDAvailable()) + "）" + "；关掉试对照：" +
              defaults::turnOffHint(defaults::setting::virtualDisplayPark));
    pin::FixedPreviewTopStrip::logAvailabilityAtLaunch();
}

void AppDelegate::installStatusItem()
{
    dropHeadlessNotices();
    statusItem_ = std::make_unique<ui::StatusItem>();
    if (const auto line = statusItem_->placementLine()) Diag::log(*line);
    statusItem_->onPlacementChange = [](const std::string& line) { Diag::log(line); };
    if (auto image = ui::TemplateImage::named("GlimraMenuBar"))
        statusItem_->setImage(std::move(image), {17, 16});
    else
        statusItem_->setTitle("PIP");
    statusItem_->setToolTip(L10n::t("Glimra — 窗口画中画"));
    statusMenu_ = std::make_unique<StatusMenu>(StatusMenu::Host{
        .perform = lifetime_.guard([](AppDelegate& self, Command command) { self.perform(command); }),
        .createPanel = lifetime_.guard([](AppDelegate& self, const desktop::ShareableWindow& window,
                                          const panels::FocusRegion& focus,
                                          const std::string& reason) { self.createPanel(window, focus, reason); }),
        .beginFocusOnWindow = lifetime_.guard(
            [](AppDelegate& self, const desktop::ShareableWindow& window) { self.beginFocusOnWindow(window); }),
        .panelCount = {},
    });
    statusItem_->setMenu(&statusMenu_->menu());
    statusItem_->setContextMenu(&statusMenu_->plainMenu());
    PipPanel::onCountChange() = lifetime_.guard([](AppDelegate& self) { self.statusMenu_->refreshPlainMenu(); });
    statusMenu_->rebuildMenu(false);
}

void AppDelegate::menuShotLaunch()
{
    Diag::log("菜单截图: 进入调试模式");
    if (screenRecordingAllowed()) statusMenu_->refreshCache(/*warmThumbs=*/true);
    const auto endRun = lifetime_.guard([](AppDelegate& self, int status) { self.exitWith(status); });
    dispatch::global().asyncAfter(menuShotWatchdog, [endRun] {
        Diag::log("菜单截图: 看门狗超时，强制退出");
        endRun(3);
    });
    dispatch::main().asyncAfter(menuShotOpenDelay, lifetime_.guard([endRun](AppDelegate& delegate) {
        Diag::log("菜单截图: 弹菜单前 缓存窗口=" + std::to_string(delegate.cachedWindows().size()) +
                  " 缩略图=" + std::to_string(MenuThumbnail::cacheCount()));
        auto& workspace = desktop::workspace();
        workspace.activate(workspace.ownPid(), {.ignoringOtherApps = true});
        // Once the shot is taken the run is ending: the menu closing on the way out is
        // not the click returning early.
        const auto shotTaken = std::make_shared<std::atomic<bool>>(false);
        dispatch::global().asyncAfter(menuShotDelay, [endRun, shotTaken] {
            const int status = MenuShot::takeShot();
            shotTaken->store(true);
            // The run ends on the main queue, which is free again once the menu has
            // been photographed; only the watchdog ends the process from here.
            dispatch::main().async([endRun, status] { endRun(status); });
        });
        delegate.statusItem_->performClick([shotTaken] {
            if (!shotTaken->load()) Diag::log("菜单截图: performClick 返回（菜单未跟踪或已关闭）");
        });
    }));
}

void AppDelegate::installHotKeys()
{
    hotKeys_ = std::make_unique<HotKeyRegistry>(
        lifetime_.guard([](AppDelegate& self, Command command) { self.perform(command); }));
    hotKeys_->registerHotKey(lifetime_.guard([](AppDelegate& self) { self.panelHiding_.beginHoldHide(); }),
                             lifetime_.guard([](AppDelegate& self) { self.panelHiding_.endHoldHide(); }));
}

void AppDelegate::installHoverTrigger()
{
    auto& trigger = *HoverPIPTrigger::shared();
    HoverTriggerHooks::install(HoverPIPTrigger::shared());
    trigger.onTrigger =
        lifetime_.guard([](AppDelegate& self, desktop::WindowID windowID) { self.triggerClicked(windowID); });
    trigger.start();
    trigger.onFocusDrag =
        lifetime_.guard([](AppDelegate& self, desktop::WindowID windowID) { self.triggerFocusDragged(windowID); });
}

void AppDelegate::installSignals()
{
    for (const int signalNumber : {SIGTERM, SIGINT})
        ui::SignalPipe::handle(signalNumber, lifetime_.guard([](AppDelegate& self) { self.quit(); }));
    signalsInstalled_ = true;
}

void AppDelegate::startRefreshTimer()
{
    refreshTimer_ = dispatch::Timer(dispatch::main(), refreshInterval, lifetime_.guard([](AppDelegate& self) {
        if (!screenRecordingAllowed()) return;
        StatusMenu& menu = *self.statusMenu_;
        const auto openedAt = menu.menuOpenedAt();
        menu.refreshCache(openedAt && dispatch::now() - *openedAt < warmWindowAfterMenuOpened);
    }));
}

void AppDelegate::observeUpdates()
{
    for (ChangeNotice* notice : {&AppUpdate::didChange(), &UpdateInstaller::didChange()})
        updateObservers_.push_back(
            notice->addObserver(lifetime_.guard([](AppDelegate& self) { self.rebuildMenu(false); })));
}

bool AppDelegate::applicationShouldHandleReopen(bool /*hasVisibleWindows*/)
{
    if (ui::Window* guide = OnboardingWindow::instance()) {
        guide->makeKeyAndOrderFront();
        return true;
    }
    // Asking must not create the window.
    if (SettingsWindow* settings = SettingsWindow::existing(); settings && settings->isOpen()) {
        settings->makeKeyAndOrderFront();
        return true;
    }
    return false;
}

}  // namespace app
