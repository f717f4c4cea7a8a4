#include "platform/core/BundleFile.h"
#include "support/TestPackages.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/UpdateServer.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Closing one of glimra's windows, the way a user does on the X display, ends that window
// and nothing else: glimra keeps running with its mini windows and its status item, and
// what the window stored is on disk for the next launch. Glimra ends only through its own
// quit paths, here the update's relaunch.
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

// The guide's content is 800 x 820; its controls where its layout puts them, from the top
// left of the content.
constexpr int guideWidth = 800;
constexpr int guideHeight = 820;
constexpr int dontShowX = 38, dontShowY = 746;
constexpr int nextX = 718, nextY = 745;

// Rows of the status menu counted from its bottom, as Up reaches them.
constexpr int copyDiagnosticsRow = 2;
constexpr int settingsRow = 5;

// Long enough for a close that ends the process to have done so.
constexpr double exitGrace = 1;

std::string id(unsigned long window) { return std::to_string(window); }

unsigned long guideOf(pid_t pid)
{
    for (const unsigned long window : visibleWindowsOf(pid)) {
        const Geometry frame = geometryOf(window);
        if (frame.width == guideWidth && frame.height == guideHeight) return window;
    }
    return 0;
}

unsigned long waitForGuide(pid_t pid)
{
    unsigned long guide = 0;
    waitUntil([&] { return (guide = guideOf(pid)) != 0; }, 10);
    return guide;
}

void clickIn(unsigned long window, int x, int y)
{
    runTool({"xdotool", "mousemove", "--window", id(window), std::to_string(x), std::to_string(y), "click", "1"});
}

void closeByWindowManager(unsigned long window) { runTool({"wmctrl", "-i", "-c", id(window)}); }

std::vector<unsigned long> sortedWindowsOf(pid_t pid)
{
    auto windows = visibleWindowsOf(pid);
    std::sort(windows.begin(), windows.end());
    return windows;
}

bool staysRunning(GlimraOnDesktop& glimra) { return !glimra.process().waitForExit(exitGrace); }

nlohmann::json storedSettings(const UserFolders& folders)
{
    return nlohmann::json::parse(readFile(folders.path("config/Glimra/defaults.json")), nullptr, false);
}

// Whether the stored settings come to hold the value under the key; a null value: that the
// key is absent.
bool comesToStore(const UserFolders& folders, const std::string& key, const nlohmann::json& value)
{
    return waitUntil(
        [&] {
            const auto stored = storedSettings(folders);
            if (!stored.is_object()) return false;
            return value.is_null() ? !stored.contains(key) : stored.contains(key) && stored[key] == value;
        },
        5);
}

// The step the guide last showed, as stored; -1 when none is.
int storedStep(const UserFolders& folders) { return storedSettings(folders).value("onboardingStep", -1); }

// Clicks Next until the guide finishes, which removes the stored step; false when it stays.
bool finishGuide(const UserFolders& folders, pid_t pid, unsigned long guide)
{
    for (int step = 0; step < 8; ++step) {
        const int before = storedStep(folders);
        clickIn(guide, nextX, nextY);
        if (!waitUntil([&] { return storedStep(folders) != before; }, 5)) return false;
        if (storedStep(folders) < 0) return goneFromScreen(pid, guide);
    }
    return false;
}

// The build's glimra installed as build 1 in "apps/Glimra.app" of the folders, so that an
// update can replace it; its executable's path.
std::string installGlimra(const UserFolders& folders)
{
    const std::string apps = folders.path("apps");
    fs::create_directory(apps);
    fs::permissions(apps, fs::perms::owner_all);
    BundleContents installed;
    installed.version = "1.0.0";
    installed.build = "1";
    const std::string executable = makeBundle(apps, installed) + "/bin/glimra";
    fs::remove(executable);
    std::error_code error;
    fs::create_hard_link(GLIMRA_EXECUTABLE, executable, error);
    if (error) fs::copy_file(GLIMRA_EXECUTABLE, executable);
    return executable;
}

class X11WindowClosing : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(clock.waitForWindow("XClock"), 0u);
        terminalWindow = terminal.waitForWindow("XTerm");
        ASSERT_NE(terminalWindow, 0u);
    }

    // With two mini windows, the settings window and an alert come and go; with none, the
    // update's ready prompt is answered with "重启并安装", and the update replaces glimra
    // and starts the new copy.
    void closeSettingsAndAlertsThenInstallTheUpdate(GlimraOnDesktop& glimra)
    {
        const pid_t pid = glimra.pid();
        // Mini windows tile into the same corner.
        const unsigned long item = statusButtonOf(pid);
        const std::vector<unsigned long> statusItem{item};
        glimra.process().signal(SIGUSR2);
        ASSERT_NE(glimra.waitForNewPictureWindow(statusItem), 0u) << glimra.log();
        runTool({"xdotool", "windowactivate", "--sync", id(terminalWindow)});
        const std::vector<unsigned long> oneMini = visibleWindowsOf(pid);
        runTool({"xdotool", "key", "super+alt+p"});
        ASSERT_NE(glimra.waitForNewPictureWindow(oneMini), 0u) << glimra.err();
        ASSERT_EQ(guideOf(pid), 0u) << "the guide came back";
        const std::vector<unsigned long> withMinis = sortedWindowsOf(pid);
        ASSERT_EQ(withMinis.size(), 3u);

        const auto onlyItGoes = [&](int row, const std::function<void(unsigned long)>& close, const std::string& what) {
            ASSERT_NO_FATAL_FAILURE(chooseInStatusMenu(glimra, item, row));
            const unsigned long window = waitForNewWindow(pid, withMinis);
            ASSERT_NE(window, 0u) << "nothing opened for " << what;
            close(window);
            ASSERT_TRUE(goneFromScreen(pid, window)) << what;
            EXPECT_TRUE(staysRunning(glimra)) << what << " ended glimra";
            EXPECT_EQ(sortedWindowsOf(pid), withMinis) << what << " took another window with it";
        };
        ASSERT_NO_FATAL_FAILURE(onlyItGoes(settingsRow, closeByWindowManager, "closing the settings window"));
        ASSERT_NO_FATAL_FAILURE(
            onlyItGoes(copyDiagnosticsRow, answerAlert, "dismissing the alert of the copied diagnostics"));

        runTool({"xdotool", "key", "super+alt+w"});
        ASSERT_TRUE(waitUntil([&] { return sortedWindowsOf(pid) == statusItem; }, 5)) << "the mini windows stay";
        ASSERT_NO_FATAL_FAILURE(chooseInStatusMenu(glimra, item, checkForUpdatesRow));
        const unsigned long readyPrompt = waitForNewWindow(pid, statusItem, 20);
        ASSERT_NE(readyPrompt, 0u) << "no ready prompt; log:\n" << glimra.log();
        answerAlert(readyPrompt);
        EXPECT_EQ(glimra.process().waitForExit(10), 0) << glimra.err();

        const std::string installLog = glimra.folders().path("data/Glimra/update-install.log");
        EXPECT_TRUE(waitUntil([&] { return readFile(installLog).ends_with("] 完成\n"); }, 10))
            << readFile(installLog) << "\nlog:\n"
            << glimra.log();
        EXPECT_EQ(readFile(ranMarker()), "ran\n") << "the new copy did not start";
        const auto installed = core::readBundleFile(glimra.folders().path("apps/Glimra.app"));
        ASSERT_TRUE(installed);
        EXPECT_EQ(installed->build, "120");
        for (const auto& entry : fs::directory_iterator(glimra.folders().path("apps")))
            EXPECT_EQ(entry.path().filename(), "Glimra.app") << "left beside the installed copy";
        EXPECT_TRUE(fs::is_empty(glimra.folders().path("data/Glimra/updates"))) << "the package stays";
    }

    std::string ranMarker() const { return work.path() + "/ran"; }

    X11Client clock{{"xclock", "-update", "1", "-geometry", "120x120+100+150"}};
    X11Client terminal{{"xterm", "-geometry", "40x10+600+300"}};
    unsigned long terminalWindow = 0;
    TempDir work;
    UpdateServer updates{work.path(), ranMarker()};
};

// With a tray: a guide closed on its second step comes back there at the next launch; one
// finished with "不再显示引导" ticked does not come back.
TEST_F(X11WindowClosing, WithATrayOnlyTheClosedWindowGoesAndTheUpdateRelaunches)
{
    X11Client trayer({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                      "--SetDockType", "true"});
    ASSERT_NE(trayer.waitForWindow("trayer"), 0u);
    const UserFolders folders(updates.settings(), UserFolders::Guide::due);
    const std::string executable = installGlimra(folders);
    {
        GlimraOnDesktop glimra(folders, executable);
        ASSERT_TRUE(glimra.ready()) << glimra.err();
        ASSERT_NE(glimra.log().find("status item: system tray"), std::string::npos) << glimra.log();
        const unsigned long guide = waitForGuide(glimra.pid());
        ASSERT_NE(guide, 0u);
        clickIn(guide, nextX, nextY);
        ASSERT_TRUE(comesToStore(folders, "onboardingStep", 1));
        closeByWindowManager(guide);
        ASSERT_TRUE(goneFromScreen(glimra.pid(), guide));
        EXPECT_TRUE(staysRunning(glimra)) << "closing the guide ended glimra";
        EXPECT_EQ(glimra.quit(), 0) << glimra.err();
        EXPECT_EQ(storedStep(folders), 1);
        EXPECT_FALSE(storedSettings(folders).contains("onboardingCompleted"));
    }
    {
        GlimraOnDesktop glimra(folders, executable);
        ASSERT_TRUE(glimra.ready()) << glimra.err();
        const unsigned long guide = waitForGuide(glimra.pid());
        ASSERT_NE(guide, 0u) << "the guide closed unfinished does not come back";
        clickIn(guide, nextX, nextY);
        EXPECT_TRUE(comesToStore(folders, "onboardingStep", 2)) << "the guide did not resume on its second step";
        clickIn(guide, dontShowX, dontShowY);
        ASSERT_TRUE(finishGuide(folders, glimra.pid(), guide));
        EXPECT_TRUE(staysRunning(glimra)) << "finishing the guide ended glimra";
        EXPECT_TRUE(comesToStore(folders, "onboardingCompleted", true));
        EXPECT_TRUE(comesToStore(folders, "onboardingStep", nullptr));
        EXPECT_EQ(glimra.quit(), 0) << glimra.err();
    }
    GlimraOnDesktop glimra(folders, executable);
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    closeSettingsAndAlertsThenInstallTheUpdate(glimra);
}

// Without a tray: a guide finished unticked comes back on its first step; one closed with
// "不再显示引导" ticked does not come back.
TEST_F(X11WindowClosing, WithoutATrayOnlyTheClosedWindowGoesAndTheUpdateRelaunches)
{
    const UserFolders folders(updates.settings(), UserFolders::Guide::due);
    const std::string executable = installGlimra(folders);
    {
        GlimraOnDesktop glimra(folders, executable);
        ASSERT_TRUE(glimra.ready()) << glimra.err();
        const unsigned long guide = waitForGuide(glimra.pid());
        ASSERT_NE(guide, 0u);
        ASSERT_TRUE(finishGuide(folders, glimra.pid(), guide));
        EXPECT_TRUE(staysRunning(glimra)) << "finishing the guide ended glimra";
        EXPECT_TRUE(comesToStore(folders, "onboardingStep", nullptr));
        EXPECT_EQ(glimra.quit(), 0) << glimra.err();
        EXPECT_FALSE(storedSettings(folders).contains("onboardingCompleted"));
    }
    {
        GlimraOnDesktop glimra(folders, executable);
        ASSERT_TRUE(glimra.ready()) << glimra.err();
        const unsigned long guide = waitForGuide(glimra.pid());
        ASSERT_NE(guide, 0u) << "the guide finished unticked does not come back";
        EXPECT_TRUE(comesToStore(folders, "onboardingStep", 0)) << "the guide did not start over";
        clickIn(guide, dontShowX, dontShowY);
        clickIn(guide, nextX, nextY);
        ASSERT_TRUE(comesToStore(folders, "onboardingStep", 1));
        closeByWindowManager(guide);
        ASSERT_TRUE(goneFromScreen(glimra.pid(), guide));
        EXPECT_TRUE(staysRunning(glimra)) << "closing the guide ended glimra";
        EXPECT_TRUE(comesToStore(folders, "onboardingCompleted", true));
        EXPECT_TRUE(comesToStore(folders, "onboardingStep", nullptr));
        EXPECT_EQ(glimra.quit(), 0) << glimra.err();
    }
    GlimraOnDesktop glimra(folders, executable);
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    ASSERT_NE(glimra.log().find("status item: own button (no system tray)"), std::string::npos);
    closeSettingsAndAlertsThenInstallTheUpdate(glimra);
}

}  // namespace
