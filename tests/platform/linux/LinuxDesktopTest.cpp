#include "platform/linux/DesktopUrlOpener.h"
#include "platform/linux/ProcessTools.h"
#include "platform/linux/QtPasteboard.h"
#include "platform/linux/XdgLoginItem.h"
#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"

#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace {

using Status = desktop::LoginItem::Status;

class LinuxDesktopTest : public testsupport::VirtualTimeTest {
protected:
    std::string entryPath() const { return configHome() + "/autostart/glimra.desktop"; }
};

TEST_F(LinuxDesktopTest, XdgLoginItemIsAnAutostartEntry)
{
    linuxdesktop::XdgLoginItem item({"/opt/My Apps/glimra$1%/glimra", std::nullopt});
    EXPECT_EQ(item.status(), Status::notRegistered);
    EXPECT_TRUE(item.unregisterItem());

    EXPECT_FALSE(item.registerItem());
    EXPECT_EQ(item.status(), Status::enabled);
    const auto contents = testsupport::readFile(entryPath());
    EXPECT_NE(contents.find("[Desktop Entry]\nType=Application\n"), std::string::npos);
    EXPECT_NE(contents.find("Exec=\"/opt/My Apps/glimra\\\\$1%%/glimra\"\n"), std::string::npos) << contents;
    // Only the entry itself is left in the folder: the temporary file was renamed.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(configHome() + "/autostart"),
                            std::filesystem::directory_iterator()),
              1);

    EXPECT_EQ(linuxdesktop::XdgLoginItem({"/usr/bin/other", std::nullopt}).status(), Status::notRegistered)
        << "an entry for another executable";
    testsupport::writeFile(entryPath(), contents + "Hidden=true\n");
    EXPECT_EQ(item.status(), Status::notRegistered) << "an entry the user turned off";

    EXPECT_FALSE(item.unregisterItem());
    EXPECT_FALSE(std::filesystem::exists(entryPath()));
    EXPECT_EQ(item.status(), Status::notRegistered);
}

TEST_F(LinuxDesktopTest, XdgLoginItemMakesItsFolderAndEntryForTheUserAloneWhateverTheUmask)
{
    const mode_t previous = ::umask(0);
    const auto error = linuxdesktop::XdgLoginItem({"/usr/bin/glimra", std::nullopt}).registerItem();
    ::umask(previous);
    ASSERT_FALSE(error);
    struct stat folder {
    }, entry{};
    ASSERT_EQ(::stat((configHome() + "/autostart").c_str(), &folder), 0);
    ASSERT_EQ(::stat(entryPath().c_str(), &entry), 0);
    EXPECT_EQ(folder.st_mode & 07777, 0700u);
    EXPECT_EQ(entry.st_mode & 07777, 0600u);
}

TEST_F(LinuxDesktopTest, XdgLoginItemReportsWriteFailures)
{
    // A file where the autostart folder belongs.
    testsupport::writeFile(configHome() + "/autostart", "");
    linuxdesktop::XdgLoginItem item({"/usr/bin/glimra", std::nullopt});
    const auto error = item.registerItem();
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->localizedDescription.empty());
    EXPECT_EQ(item.status(), Status::notRegistered);
}

// The opener gets the address as one argument, untouched by any shell.
TEST_F(LinuxDesktopTest, UrlOpenerStartsTheProgramWithoutAShell)
{
    const std::string script = home() + "/opener";
    const std::string output = home() + "/argument";
    testsupport::writeFile(
        script, "#!/bin/sh\nprintf '%s' \"$1\" > '" + output + ".tmp' && mv '" + output + ".tmp' '" + output + "'\n");
    ::chmod(script.c_str(), 0700);
    linuxdesktop::DesktopUrlOpener opener(script);

    EXPECT_FALSE(opener.open("no scheme here"));
    EXPECT_FALSE(opener.open("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"));
    EXPECT_FALSE(linuxdesktop::DesktopUrlOpener(home() + "/missing").open("https://example.com"));
    const std::string url = "https://example.com/?q=$(touch%20x);rm";
    ASSERT_TRUE(opener.open(url));
    for (int i = 0; i < 1000 && !std::filesystem::exists(output); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(testsupport::readFile(output), url) << "a settings pane address must never reach the opener";
}

TEST_F(LinuxDesktopTest, QtPasteboardUsesTheClipboard)
{
    testsupport::ensureQtApplication();
    linuxdesktop::QtPasteboard pasteboard;
    pasteboard.setString("Glimra 诊断");
    clock().runUntilIdle();
    EXPECT_EQ(pasteboard.string(), "Glimra 诊断");
}

}  // namespace

namespace {

TEST(ProcessToolsTest, RunsReportExitTimeOutAndStartFailure)
{
    linuxdesktop::ProcessTools tools;
    auto outcome = tools.run("/bin/sh", {"-c", "exit 3"}, 5);
    EXPECT_EQ(outcome.kind, desktop::ToolOutcome::Kind::exited);
    EXPECT_EQ(outcome.exitStatus, 3);
    EXPECT_TRUE(tools.run("/bin/sh", {"-c", "exit 0"}, 5).succeeded());
    // Arguments reach the tool as they are: no shell on the way.
    EXPECT_TRUE(tools.run("/bin/sh", {"-c", "test \"$1\" = '$HOME;x'", "sh", "$HOME;x"}, 5).succeeded());

    EXPECT_EQ(tools.run("/nonexistent/tool", {}, 5).kind, desktop::ToolOutcome::Kind::couldNotStart);

    const auto started = std::chrono::steady_clock::now();
    outcome = tools.run("/bin/sleep", {"10"}, 0.2);
    EXPECT_EQ(outcome.kind, desktop::ToolOutcome::Kind::timedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));

    EXPECT_FALSE(tools.launch("/nonexistent/tool", {}));
}

}  // namespace
