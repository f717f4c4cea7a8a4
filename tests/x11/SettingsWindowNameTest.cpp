#include "x11/GlimraOnDesktop.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace testsupport;

// The status menu's "设置…" row, counted from its bottom as Up reaches it.
constexpr int settingsRow = checkForUpdatesRow + 1;

std::string shownProperty(unsigned long window, const std::string& name)
{
    return runTool({"env", "LC_ALL=C.UTF-8", "xprop", "-id", std::to_string(window), name});
}

// A task bar shows the settings window by its X name alone: the tab's title says whose
// window it is only with the application's name after it.
TEST(X11SettingsWindowName, TheTaskBarNamesTheTabAndGlimra)
{
    GlimraOnDesktop glimra(R"("appLanguage": 2)");  // English, whatever the machine's locale
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const unsigned long button = statusButtonOf(glimra.pid());
    ASSERT_NE(button, 0u) << "openbox alone has no tray";
    const auto before = visibleWindowsOf(glimra.pid());
    ASSERT_NO_FATAL_FAILURE(chooseInStatusMenu(glimra, button, settingsRow));
    const unsigned long settings = waitForNewWindow(glimra.pid(), before);
    ASSERT_NE(settings, 0u) << glimra.log();

    EXPECT_EQ(shownProperty(settings, "_NET_WM_NAME"), "_NET_WM_NAME(UTF8_STRING) = \"General — Glimra\"\n");
    EXPECT_EQ(shownProperty(settings, "WM_NAME"), "WM_NAME(COMPOUND_TEXT) = \"General — Glimra\"\n");

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
