#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// What glimra writes for a Linux user: the hold key in words, in the log in English
// whatever the interface language, the settings file where a hint would name the
// `defaults` command, and its own name on its alerts.
namespace {

using namespace testsupport;

TEST(X11LinuxWords, TheLogNamesRightCtrlInGermanTooAndTheSettingsFileAndAlertsAreTitledGlimra)
{
    GlimraOnDesktop glimra("\"appLanguage\": 6");
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const std::string log = glimra.log();
    EXPECT_NE(log.find("按住热键: Right Ctrl "), std::string::npos) << log;
    EXPECT_NE(log.find("；关掉试对照：退出 Glimra 后在 " + glimra.folders().path("config/Glimra/defaults.json") +
                       " 里写入 \"virtualDisplayPark\": false"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("defaults write"), std::string::npos) << log;

    // The menu's last items are "复制诊断信息" and, after a separator, "退出 Glimra": the
    // first chooses the one before the last.
    const unsigned long button = statusButtonOf(glimra.pid());
    chooseInStatusMenu(glimra, button, 2);
    ASSERT_TRUE(waitUntil([&] { return glimra.log().find("帮助: 已复制诊断信息") != std::string::npos; }, 5))
        << glimra.log();

    // Both names a window manager may show.
    const auto alertNames = [&] {
        for (const unsigned long window : visibleWindowsOf(glimra.pid()))
            if (window != button) return runTool({"xprop", "-id", std::to_string(window), "WM_NAME", "_NET_WM_NAME"});
        return std::string();
    };
    EXPECT_TRUE(waitUntil(
        [&] { return alertNames() == "WM_NAME(STRING) = \"Glimra\"\n_NET_WM_NAME(UTF8_STRING) = \"Glimra\"\n"; }, 5))
        << alertNames();

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
