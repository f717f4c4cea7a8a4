#include "app/AppDelegate.h"
#include "app/HoverPIPTrigger.h"
#include "foundation/EventBridge.h"
#include "panels/PipPanel.h"
#include "parking/VirtualDisplayController.h"
#include "parking/WindowParking.h"
#include "platform/defaults/Defaults.h"
#include "platform/ui/Window.h"
#include "app/LaunchSelfTests.h"
#include "panels/views/PanelContentView.h"
#include "platform/desktop/Desktop.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/ui/RecordingAlertPresenter.h"
#include "platform/ui/StatusItem.h"
#include "support/DiagLines.h"
#include "support/QtTestApplication.h"
#include "support/SimDesktopTest.h"
#include "app/RecordingParking.h"
#include "settings/SettingsWindow.h"
#include "settings/guide/OnboardingWindow.h"
#include "update/AppUpdate.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

using app::CommandCall;

class AppDelegateTest : public testsupport::WithDiagLines<testsupport::SimDesktopTest> {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        WithDiagLines::SetUp();
        environment.set("TMPDIR", tmp());
        std::filesystem::create_directories(tmp());
        ui::AlertPresenter::install(alerts);
        defaults::Defaults::standard().reopen(configHome() + "/Glimra/defaults.json");
        // The guide has its own tests; here it would stand in front of everything.
        defaults::Defaults::standard().set("onboardingCompleted", true);
        addApp(42, "Notes", "com.example.notes");
        addWindow(42, 500, {100, 100, 800, 600}, "Notes");
        addApp(43, "Browser", "com.example.browser");
        addWindow(43, 600, {300, 200, 600, 400}, "Video");
        EventBridge::lastForeignFrontPid = 0;
    }

    void TearDown() override
    {
        delete OnboardingWindow::instance();
        shell.reset();
        clock().runUntilIdle();
        WindowParking::install(nullptr);
        ui::AlertPresenter::install(nullptr);
        WithDiagLines::TearDown();
    }

    std::string tmp() const { return home() + "/tmp"; }

    size_t indexOf(const std::string& line) const
    {
        const auto lines = diagLines();
        return static_cast<size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
    }

    std::shared_ptr<ui::RecordingAlertPresenter> alerts = std::make_shared<ui::RecordingAlertPresenter>();
    testsupport::ScopedEnvironment environment;

    desktop::DisplayInfo display(desktop::DisplayID id, const core::Rect& frame, bool isVirtual = false)
    {
        desktop::DisplayInfo info;
        info.id = id;
        info.frame = frame;
        info.visibleFrame = frame;
        info.isVirtual = isVirtual;
        return info;
    }

    void run(const std::string& name, std::optional<desktop::WindowID> window = std::nullopt)
    {
        shell->runCommand(CommandCall{name, window, std::nullopt});
        clock().runUntilIdle();
    }

    std::unique_ptr<app::AppDelegate> shell = std::make_unique<app::AppDelegate>();
};

TEST_F(AppDelegateTest, OnlyAnotherApplicationActivatedForAThirdOfASecondIsRemembered)
{
    shell->launch({});
    world().setFrontmost(43);
    clock().advance(0.3);
    EXPECT_EQ(EventBridge::lastForeignFrontPid, 0);
    clock().advance(0.05);
    EXPECT_EQ(EventBridge::lastForeignFrontPid, 43);

    // Gone again before the read: the application in front then counts.
    world().setFrontmost(42);
    clock().advance(0.1);
    world().setFrontmost(43);
    clock().advance(0.5);
    EXPECT_EQ(EventBridge::lastForeignFrontPid, 43);

    world().setFrontmost(world().ownPid());
    clock().advance(0.5);
    EXPECT_EQ(EventBridge::lastForeignFrontPid, 43);
}

TEST_F(AppDelegateTest, TheLaunchTakesTheDesktopsVirtualDisplaysAsParkingsOwn)
{
    world().addDisplay(display(7, {1512, 0, 1000, 800}, true));
    clock().runUntilIdle();
    shell->launch({});
    EXPECT_TRUE(VirtualDisplayController::shared().isVirtual(7));
    EXPECT_FALSE(VirtualDisplayController::shared().isVirtual(1));
    // Only the displays parking owns count: one the desktop shows later is not its own.
    world().addDisplay(display(8, {-1000, 0, 1000, 800}, true));
    clock().runUntilIdle();
    EXPECT_FALSE(VirtualDisplayController::shared().isVirtual(8));
}

TEST_F(AppDelegateTest, CommandsOpenPauseAndClosePanelsAndQuitClosesTheRest)
{
    std::vector<std::pair<std::string, desktop::WindowID>> parkingCalls;
    shell->launch({});
    WindowParking::install(std::make_shared<RecordingParking>(
        [&](const char* operation, desktop::WindowID id) { parkingCalls.emplace_back(operation, id); }));
    run("mirrorWindow", 500);
    shell->runCommand(CommandCall{"mirrorWindow", 600, core::Rect(0.5, 0, 0.5, 0.5)});
    run("mirrorWindow", 999);
    // A window with a mini window gets no second, whole or focused.
    run("mirrorWindow", 600);
    shell->runCommand(CommandCall{"mirrorWindow", 500, core::Rect(0, 0, 0.5, 0.5)});
    clock().runUntilIdle();
    ASSERT_EQ(PipPanel::all().size(), 2u);
    clock().advance(1);

    auto panels = shell->panels();
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_EQ(panels[0]["source"], 500);
    EXPECT_EQ(panels[1]["focus"], nlohmann::ordered_json::parse("[0.5, 0.0, 0.5, 0.5]"));
    EXPECT_GT(panels[0]["framesShown"].get<long>(), 0);

    run("togglePauseAll");
    for (const PipPanel* panel : PipPanel::all()) {
        EXPECT_TRUE(panel->isPaused);
        EXPECT_TRUE(panel->mirror->isPaused());
    }
    run("togglePauseAll");
    for (const PipPanel* panel : PipPanel::all()) EXPECT_FALSE(panel->mirror->isPaused());

    run("closePanel", 500);
    clock().advance(1);
    ASSERT_EQ(PipPanel::all().size(), 1u);
    EXPECT_EQ(PipPanel::all().front()->target.windowID, 600u);
    EXPECT_EQ(parkingCalls, (std::vector<std::pair<std::string, desktop::WindowID>>{{"restoreAsync", 500}}));

    shell->quit();
    EXPECT_FALSE(shell->exitStatus());
    clock().runUntilIdle();
    EXPECT_EQ(shell->exitStatus(), 0);
    EXPECT_TRUE(PipPanel::all().empty());
    EXPECT_FALSE(WindowParking::hasMiniWindows.load());
}

TEST_F(AppDelegateTest, TheFirstSelfTestOfTheTableWinsWhateverTheArgumentOrder)
{
    using app::LaunchSelfTest;
    EXPECT_EQ(app::requestedSelfTest({"-glimra-diag-selftest", "-glimra-size-selftest", "-glimra-layout-selftest"}),
              LaunchSelfTest::layout);
    EXPECT_EQ(app::requestedSelfTest({"-x", "-glimra-menu-thumb-selftest", "-glimra-update-selftest"}),
              LaunchSelfTest::update);
    EXPECT_EQ(app::requestedSelfTest({"-glimra-focus-selftestX", "glimra-focus-selftest"}), std::nullopt);

    shell->launch({"-glimra-focus-selftest", "-glimra-size-selftest"});
    EXPECT_EQ(shell->exitStatus(), 0);
    EXPECT_EQ(linesWith("启动参数").size(), 1u);
    EXPECT_EQ(linesWith("启动参数").front(), "启动参数 -glimra-size-selftest → 小窗尺寸自检");
    EXPECT_TRUE(ui::StatusItem::all().empty());
}

TEST_F(AppDelegateTest, TheDiagnosticsSelfTestReplacesALinkPlantedUnderItsNameAndFailsWhenNothingIsWritten)
{
    const std::string target = tmp() + "/victim.txt";
    testsupport::writeFile(target, "keep");
    std::filesystem::create_symlink(target, tmp() + "/glimra-diag.txt");

    shell->launch({"-glimra-diag-selftest"});
    EXPECT_EQ(shell->exitStatus(), 0);
    EXPECT_EQ(testsupport::readFile(target), "keep");
    const std::string written = tmp() + "/glimra-diag.txt";
    ASSERT_FALSE(std::filesystem::is_symlink(written));
    EXPECT_FALSE(testsupport::readFile(written).empty());
    struct stat info {};
    ASSERT_EQ(::stat(written.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp()), std::filesystem::directory_iterator()), 2);
    ASSERT_EQ(linesWith("帮助自检").size(), 2u);
    EXPECT_TRUE(linesWith("帮助自检")[0].starts_with("帮助自检: 诊断文本 "));
    EXPECT_TRUE(linesWith("帮助自检")[0].ends_with(" 字符 → " + written));
    EXPECT_TRUE(linesWith("帮助自检")[1].starts_with("帮助自检: 联系页 "));

    // A folder that cannot be written: no line claims the file, and a failure.
    environment.set("TMPDIR", tmp() + "/missing");
    app::AppDelegate second;
    second.launch({"-glimra-diag-selftest"});
    EXPECT_EQ(second.exitStatus(), 1);
    ASSERT_EQ(linesWith("帮助自检").size(), 4u);
    EXPECT_EQ(linesWith("帮助自检")[2], "帮助自检: 诊断文本写入失败 → " + tmp() + "/missing/glimra-diag.txt");
    EXPECT_EQ(linesWith(" 字符 → ").size(), 1u);
}

TEST_F(AppDelegateTest, ASecondInstanceActivatesTheFirstAndExitsBeforeItsStatusItem)
{
    // Another copy, listed first among the applications with the own identifier.
    bool activated = false;
    std::dynamic_pointer_cast<sim::SimWorkspace>(desktop().workspace)
        ->setOtherInstance(sim::SimWorkspace::OtherInstance{77, [&] { activated = true; }});
    shell->launch({});
    EXPECT_EQ(shell->exitStatus(), 0);
    EXPECT_EQ(linesWith("检测到已有实例"), std::vector<std::string>{"检测到已有实例 pid=77 → 激活并退出当前进程"});
    EXPECT_TRUE(activated);
    EXPECT_TRUE(ui::StatusItem::all().empty());
    EXPECT_TRUE(linesWith("启动 preflightScreen=").empty());
}

TEST_F(AppDelegateTest, TheLaunchLogsItsStateAndShowsTheStatusItem)
{
    // The launch makes the application an accessory whatever the desktop started it as.
    world().setActivationPolicy(desktop::ActivationPolicy::regular);
    shell->launch({});
    EXPECT_EQ(world().activationPolicy(), desktop::ActivationPolicy::accessory);
    EXPECT_FALSE(shell->exitStatus());
    ASSERT_EQ(ui::StatusItem::all().size(), 1u);
    EXPECT_TRUE(ui::StatusItem::all().front()->hasImage()) << "its own image, no stand-in title";
    EXPECT_EQ(ui::StatusItem::all().front()->title(), "");
    // The state lines, then the cursor guard's start.
    ASSERT_EQ(linesWith("启动 ").size(), 3u);
    EXPECT_TRUE(linesWith("启动 ")[0].starts_with("启动 preflightScreen=true ax="));
    EXPECT_TRUE(
        linesWith("启动 ")[1].ends_with("；关掉试对照：defaults write com.glimra.app virtualDisplayPark -bool NO"));
    EXPECT_TRUE(linesWith("启动 ")[2].starts_with("启动 光标守卫=开启（自动探针每 1.00s 一跳"));
    EXPECT_LT(indexOf(linesWith("启动 preflightScreen=")[0]), indexOf("已清空最小尺寸学习缓存"));
}

TEST_F(AppDelegateTest, AResolvedWindowFromTheCacheIsMadeBeforeTheClosingLineAndAFetchedOneAfter)
{
    shell->launch({});
    clock().runUntilIdle();  // the first fetch fills the cache
    ASSERT_FALSE(shell->cachedWindows().empty());
    shell->triggerClicked(500);
    const std::string made = "建窗: 原因=[悬停触发块·点击] 源=Notes(pid 42) 窗口#500 聚焦=整窗";
    const std::string closing = "解析窗口 #500: 原因=[悬停触发块·点击] 入口完成";
    EXPECT_LT(indexOf(made), indexOf(closing));
    EXPECT_EQ(PipPanel::all().size(), 1u);

    addWindow(43, 601, {700, 300, 500, 400}, "Late");
    shell->triggerClicked(601);
    EXPECT_EQ(PipPanel::all().size(), 1u);
    clock().runUntilIdle();
    EXPECT_LT(indexOf("解析窗口 #601: 原因=[悬停触发块·点击] 入口完成"),
              indexOf("建窗: 原因=[悬停触发块·点击] 源=Browser(pid 43) 窗口#601 聚焦=整窗"));
    EXPECT_EQ(PipPanel::all().size(), 2u);

    shell->triggerClicked(999);
    clock().runUntilIdle();
    EXPECT_EQ(linesWith("窗口解析: id=999"), std::vector<std::string>{"窗口解析: id=999 已不在可捕获窗口列表"});
}

TEST_F(AppDelegateTest, AFocusRequestNeedsMoreThanTheToleranceAndASecondPanelOfAWindowIsRefused)
{
    shell->launch({});
    const auto notes = shareableWindow(500);
    shell->createPanel(notes, {0.001, 0, 1, 1}, "r");
    ASSERT_EQ(PipPanel::all().size(), 1u);
    PipPanel* first = PipPanel::all().front();
    EXPECT_FALSE(first->content->transientHintActive());
    EXPECT_EQ(linesWith("建窗: ").back(), "建窗: 原因=[r] 源=Notes(pid 42) 窗口#500 聚焦=整窗");

    shell->createPanel(notes, {0, 0, 0.997, 1}, "r");
    EXPECT_EQ(linesWith("建窗: ").back(), "建窗: 原因=[r] 源=Notes(pid 42) 窗口#500 聚焦=是");
    EXPECT_EQ(PipPanel::all().size(), 1u);
    EXPECT_EQ(first->content->statusLabel().text().toStdString(), "此窗口已有小窗，不重复创建");
    EXPECT_TRUE(first->content->transientHintActive());

    shell->createPanel(shareableWindow(600), {0.5, 0, 0.5, 0.5}, "r");
    ASSERT_EQ(PipPanel::all().size(), 2u);
    EXPECT_EQ(PipPanel::all().back()->content->statusLabel().text().toStdString(), "已聚焦局部：单击不能固定预览");
}

TEST_F(AppDelegateTest, TheFrontmostWindowCommandMatchesTheFrontProcessNeverItsBundleIdentifier)
{
    // A second process sharing the front application's identifier, listed first.
    addApp(44, "Notes Helper", "com.example.notes");
    addWindow(44, 700, {50, 50, 600, 500}, "Helper");
    addWindow(42, 501, {120, 120, 100, 60}, "Tiny");  // too small for the catalog
    world().setFrontmost(42);
    shell->launch({});
    clock().runUntilIdle();

    world().setFrontmost(world().ownPid());
    shell->captureFrontmost();
    EXPECT_EQ(linesWith("小窗化当前窗口: ").back(), "小窗化当前窗口: 前台是我们自己 ⇒ 放弃");

    world().setFrontmost(42);
    world().raise(501);
    shell->captureFrontmost();
    clock().runUntilIdle();
    ASSERT_EQ(PipPanel::all().size(), 1u);
    EXPECT_EQ(PipPanel::all().front()->target.windowID, 500u);

    world().setScreenRecordingAllowed(false);
    shell->captureFrontmost();
    EXPECT_EQ(linesWith("小窗化当前窗口: ").back(), "小窗化当前窗口: 无屏幕录制权限 ⇒ 弹权限提示后放弃");
    ASSERT_EQ(alerts->records().size(), 1u);
    EXPECT_EQ(alerts->records().front().alert.messageText, "需要屏幕录制权限");
}

TEST_F(AppDelegateTest, BulkCommandsFlipEachPanelCloseASnapshotAndQuitPutsWindowsBackInOrder)
{
    std::vector<std::string> parkingCalls;
    addWindow(43, 601, {700, 300, 500, 400}, "Other");
    shell->launch({});
    WindowParking::install(std::make_shared<RecordingParking>(
        [&](const char* operation, desktop::WindowID) { parkingCalls.emplace_back(operation); }));
    for (desktop::WindowID id : {500u, 600u, 601u}) shell->createPanel(shareableWindow(id), {}, "r");
    clock().advance(1);
    PipPanel::all()[0]->isPaused = true;
    run("togglePauseAll");
    EXPECT_FALSE(PipPanel::all()[0]->isPaused);
    EXPECT_TRUE(PipPanel::all()[1]->isPaused);

    run("closeAll");
    clock().advance(1);
    EXPECT_TRUE(PipPanel::all().empty());

    shell->createPanel(shareableWindow(500), {}, "r");
    parkingCalls.clear();
    run("quitApp");
    EXPECT_EQ(shell->exitStatus(), 0);
    EXPECT_TRUE(PipPanel::all().empty());
    EXPECT_EQ(parkingCalls, (std::vector<std::string>{"restoreAsync", "parkedCountSnapshot", "restoreAllBlocking"}));
}

TEST_F(AppDelegateTest, RepairingThePermissionResetsTheGrantAndStartsACopyThatWaitsForTheLock)
{
    shell->launch({});
    run("repairPermission");
    clock().advance(0.5);
    EXPECT_EQ(linesWith("修复授权执行").size(), 1u);
    EXPECT_FALSE(desktop::permissions().screenCapturePreflight());
    const auto launches = journalOf("tool.launch");
    ASSERT_EQ(launches.size(), 1u);
    const auto arguments = launches.front()["arguments"].get<std::vector<std::string>>();
    EXPECT_EQ(arguments.back(), app::AppDelegate::awaitInstanceLockArgument);
    clock().runUntilIdle();
    EXPECT_EQ(shell->exitStatus(), 0);
}

TEST_F(AppDelegateTest, EveryMenuActionIsACommandAndUnknownNamesAreNot)
{
    for (const char* name :
         {"togglePauseAll", "closeAll", "tileAllAction", "togglePanelsAction", "openPermissionAuth",
          "openScreenSettings", "openAXSettings", "repairPermission", "relaunch", "quitApp", "checkForUpdatesAction",
          "startUpdateDownload", "installUpdateNow", "showSettings", "showHotkeySettings", "openHelpCenter",
          "copyDiagnosticsAction", "captureFrontmostAction"}) {
        const auto fields = shell->command(name);
        ASSERT_TRUE(fields) << name;
        EXPECT_EQ(fields->window, app::FieldUse::refused) << name;
    }
    // A step may name the window of these; the pointer's commands need one.
    using app::FieldUse;
    const std::pair<const char*, app::CommandFields> onWindows[] = {
        {"beginFocusCreate", {.window = FieldUse::optional, .region = FieldUse::refused}},
        {"mirrorWindow", {.window = FieldUse::required, .region = FieldUse::optional}},
        {"closePanel", {.window = FieldUse::required, .region = FieldUse::refused}}};
    for (const auto& [name, expected] : onWindows) {
        const auto fields = shell->command(name);
        ASSERT_TRUE(fields) << name;
        EXPECT_EQ(fields->window, expected.window) << name;
        EXPECT_EQ(fields->region, expected.region) << name;
    }
    EXPECT_FALSE(shell->command("createPanel"));
    EXPECT_FALSE(shell->command("TogglePauseAll"));
}

TEST_F(AppDelegateTest, ASelfTestArgumentRunsItAndExitsBeforeTheRestOfTheLaunch)
{
    defaults::Defaults::standard().set("takeoverLearnedMinSizes", "com.example.notes=300x200");
    shell->launch({"-glimra-focus-selftest"});
    EXPECT_EQ(shell->exitStatus(), 0);
    EXPECT_TRUE(defaults::Defaults::standard().contains("takeoverLearnedMinSizes"));
}

// Standard error alone never reaches a user who starts Glimra from a menu.
TEST_F(AppDelegateTest, ALaunchForgetsTheLearnedMinimumSizesAndNamesASettingsFileMovedAside)
{
    const std::string path = configHome() + "/Glimra/defaults.json";
    defaults::Defaults::standard().flush();
    testsupport::writeFile(path, "{ not json");
    defaults::Defaults::standard().reopen(path);
    defaults::Defaults::standard().set("onboardingCompleted", true);
    defaults::Defaults::standard().set("takeoverLearnedMinSizes", "com.example.notes=300x200");
    shell->launch({});
    EXPECT_FALSE(shell->exitStatus());
    EXPECT_FALSE(defaults::Defaults::standard().contains("takeoverLearnedMinSizes"));
    clock().runUntilIdle();
    EXPECT_EQ(linesWith(path + ".unreadable.1").size(), 1u);
    ASSERT_EQ(alerts->records().size(), 1u);
    EXPECT_NE(alerts->records()[0].alert.messageText.find(path + ".unreadable.1"), std::string::npos);
}

// The desktop moves windows off a display that goes; own windows follow without
// sending the move back.
TEST_F(AppDelegateTest, ARemovedDisplaysWindowsLandOnThePrimaryAndOwnWindowsAdoptTheMove)
{
    world().addDisplay(display(2, {1512, 0, 1920, 1080}));
    addWindow(42, 501, {1600, 300, 700, 500}, "Far");
    addWindow(42, 502, {3300, 900, 900, 400}, "Corner");
    ui::Window own({1600, 982 - 400 - 200, 300, 200});  // screen coordinates
    own.orderFront();
    clock().runUntilIdle();
    const auto before = journal().size();

    world().removeDisplay(2);
    clock().runUntilIdle();
    // Where it lay on the display that went, on the primary; the corner window kept inside
    // the primary's visible frame (0, 25, 1512, 957).
    EXPECT_EQ(world().window(501)->frame, core::Rect(88, 300, 700, 500));
    EXPECT_EQ(world().window(502)->frame, core::Rect(612, 582, 900, 400));
    EXPECT_EQ(world().window(500)->frame, core::Rect(100, 100, 800, 600));
    EXPECT_EQ(own.frame(), core::Rect(88, 382, 300, 200));
    EXPECT_EQ(world().window(own.windowNumber())->frame, core::Rect(88, 400, 300, 200));
    EXPECT_EQ(journal().size(), before);
}

TEST_F(AppDelegateTest, TheSettingsWindowReachesTheShellThroughHooksThatFindTheDelegateGone)
{
    auto& hotKeys = static_cast<sim::SimHotKeys&>(*desktop().hotKeys);
    desktop::Token foreign = 0;
    ASSERT_EQ(hotKeys.registerHotKey({0x41424344, 1}, 17, 0x900, foreign),
              desktop::HotKeyStatus::ok);  // someone holds ⌥⌘T
    shell->launch({});
    const SettingsWindow::ShellHooks& hooks = SettingsWindow::shellHooks();
    ASSERT_TRUE(hooks.hotkeyName && hooks.registerAllHotkeys && hooks.suspendHotkeys && hooks.rebuildMenu &&
                hooks.hoverTriggerEnabled && hooks.setHoverTriggerEnabled && hooks.startHoverTrigger &&
                hooks.stopHoverTrigger && hooks.clearMenuThumbnails);

    defaults::Defaults::standard().set("captureHotKeyCode", 40);
    EXPECT_EQ(hooks.hotkeyName("captureHotKey"), "⌥⌘K");
    EXPECT_EQ(hooks.hotkeyName("holdHideHotKey"), "fn");
    const auto refused = hooks.registerAllHotkeys();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].keyPrefix, "tileAllHotKey");
    EXPECT_EQ(refused[0].status, desktop::HotKeyStatus::taken);
    hooks.suspendHotkeys(true);
    EXPECT_EQ(hotKeys.registered().size(), 1u);
    hooks.suspendHotkeys(false);
    EXPECT_EQ(hotKeys.registered().size(), 7u);

    app::HoverPIPTrigger& trigger = *app::HoverPIPTrigger::shared();
    ASSERT_TRUE(trigger.isPolling());
    hooks.setHoverTriggerEnabled(false);
    hooks.stopHoverTrigger();
    EXPECT_FALSE(hooks.hoverTriggerEnabled());
    EXPECT_FALSE(trigger.isPolling());
    hooks.startHoverTrigger();
    EXPECT_TRUE(hooks.hoverTriggerEnabled());
    EXPECT_TRUE(trigger.isPolling());

    // Without the delegate the window behaves as with no shell at all.
    shell.reset();
    EXPECT_EQ(hooks.hotkeyName("captureHotKey"), "—");
    EXPECT_TRUE(hooks.registerAllHotkeys().empty());
    hooks.suspendHotkeys(true);
    hooks.rebuildMenu(true);
    EXPECT_EQ(hotKeys.registered().size(), 7u);
}

TEST_F(AppDelegateTest, ReopeningBringsForwardTheSettingsWindowOnlyWhileItIsOpen)
{
    shell->launch({});
    EXPECT_FALSE(shell->applicationShouldHandleReopen(false));
    EXPECT_EQ(SettingsWindow::existing(), nullptr);

    run("showHotkeySettings");
    SettingsWindow* settings = SettingsWindow::existing();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->isOpen());
    EXPECT_EQ(settings->currentTab(), 1);
    EXPECT_TRUE(shell->applicationShouldHandleReopen(false));
    EXPECT_TRUE(settings->isVisible());

    settings->close();
    clock().runUntilIdle();
    EXPECT_FALSE(settings->isOpen());
    EXPECT_FALSE(shell->applicationShouldHandleReopen(false));
    EXPECT_FALSE(settings->isVisible());

    run("showSettings");
    EXPECT_TRUE(settings->isOpen());
    EXPECT_EQ(settings->currentTab(), 1);
}

TEST_F(AppDelegateTest, ReopeningBringsForwardTheGuideWhileItIsOpen)
{
    world().setScreenRecordingAllowed(false);
    shell->launch({});
    QPointer<OnboardingWindow> guide = OnboardingWindow::instance();
    ASSERT_TRUE(guide);
    guide->orderOut();
    EXPECT_TRUE(shell->applicationShouldHandleReopen(false));
    EXPECT_TRUE(guide->isVisible());

    guide->close();
    shell->applicationShouldHandleReopen(false);
    EXPECT_FALSE(guide->isVisible());
}

TEST_F(AppDelegateTest, TheMenusUpdateCheckRunsOneAtATimeAndClearsItsMarkWithItsResult)
{
    shell->launch({});
    shell->runCommand(CommandCall{"checkForUpdatesAction", std::nullopt, std::nullopt});
    EXPECT_TRUE(AppUpdate::isChecking());
    shell->runCommand(CommandCall{"checkForUpdatesAction", std::nullopt, std::nullopt});
    clock().runUntilIdle();
    EXPECT_FALSE(AppUpdate::isChecking());
    EXPECT_EQ(linesWith("更新: 菜单点击「检查更新」").size(), 2u);
}

}  // namespace
