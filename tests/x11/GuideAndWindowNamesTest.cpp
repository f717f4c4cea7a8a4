#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/X11ServiceFixture.h"

#include "platform/x11/X11Reply.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

// The first-run guide and our windows' names as X shows them, from outside: the guide's
// pixels, the settings file and the windows' properties.
namespace {

using namespace testsupport;

// The guide's content is 800 x 820; its page dots are 8 pixels high, centred 128 above
// the bottom, in a strip from x 30 to 770.
constexpr int dotRow = 820 - 128;
constexpr int stripLeft = 30;
constexpr int stripRight = 770;

// One property as xprop prints it in a UTF-8 locale, which decodes STRING as Latin-1 and
// COMPOUND_TEXT as Xlib reads it.
std::string shownProperty(unsigned long window, const std::string& name)
{
    std::string line = runTool({"env", "LC_ALL=C.UTF-8", "xprop", "-id", std::to_string(window), name});
    while (!line.empty() && line.back() == '\n') line.pop_back();
    return line;
}

unsigned long windowNamed(pid_t pid, const std::string& name)
{
    for (const unsigned long window : visibleWindowsOf(pid))
        if (shownProperty(window, "_NET_WM_NAME") == "_NET_WM_NAME(UTF8_STRING) = \"" + name + "\"") return window;
    return 0;
}

nlohmann::json storedSettings(const GlimraOnDesktop& glimra)
{
    return nlohmann::json::parse(readFile(glimra.folders().path("config/Glimra/defaults.json")), nullptr, false);
}

// The colours of the page dots from left to right: each run of pixels unlike the ground.
std::vector<std::uint32_t> dotColours(x11::Connection& connection, unsigned long window)
{
    const auto image =
        x11::reply(xcb_get_image_reply(connection.xcb(),
                                       xcb_get_image(connection.xcb(), XCB_IMAGE_FORMAT_Z_PIXMAP,
                                                     static_cast<xcb_window_t>(window), 0, dotRow, stripRight, 1, ~0u),
                                       nullptr));
    if (!image || xcb_get_image_data_length(image.get()) < stripRight * 4) return {};
    const auto* pixels = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(image.get()));
    const auto colour = [&](int x) { return pixels[x] & 0xffffff; };
    const std::uint32_t ground = colour(stripLeft);
    std::vector<std::uint32_t> dots;
    for (int x = stripLeft; x < stripRight; ++x) {
        if (colour(x) == ground) continue;
        int end = x;
        while (end < stripRight && colour(end) != ground) ++end;
        dots.push_back(colour((x + end) / 2));
        x = end;
    }
    return dots;
}

// Runs without a UTF-8 locale, as a session with none configured does: Qt's own WM_NAME
// comes out garbled there.
TEST(X11GuideAndWindowNames, TheGuideHasFiveStepsAndOurWindowsNamesReadRightEverywhere)
{
    X11Client clock({"xclock", "-update", "1", "-geometry", "164x164+120+160"});
    ASSERT_NE(clock.waitForWindow("XClock"), 0u);
    // Left on the permission page another desktop has: here there is none.
    GlimraOnDesktop glimra(R"("onboardingCompleted": false, "onboardingStep": 5, "appLanguage": 1)", {{"LC_ALL", "C"}});
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    unsigned long guide = 0;
    ASSERT_TRUE(waitUntil([&] { return (guide = windowNamed(glimra.pid(), "欢迎使用 Glimra")) != 0; })) << glimra.err();
    EXPECT_EQ(shownProperty(guide, "WM_NAME"), "WM_NAME(COMPOUND_TEXT) = \"欢迎使用 Glimra\"");

    // It resumes on the fifth and last step, and writes so.
    EXPECT_TRUE(waitUntil([&] { return storedSettings(glimra).value("onboardingStep", -1) == 4; }))
        << storedSettings(glimra).dump();
    const auto connection = openTestDisplay();
    ASSERT_TRUE(connection);
    std::vector<std::uint32_t> dots;
    EXPECT_TRUE(waitUntil([&] { return (dots = dotColours(*connection, guide)).size() == 5; }))
        << dots.size() << " page dots";
    if (dots.size() == 5) {
        for (std::size_t i = 0; i + 2 < dots.size(); ++i) EXPECT_EQ(dots[i], dots[i + 1]) << "dot " << i;
        EXPECT_NE(dots[4], dots[3]) << "the last dot is not the lit one";
    }

    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);
    const unsigned long mini = glimra.waitForNewPictureWindow(before);
    ASSERT_NE(mini, 0u) << glimra.err();
    EXPECT_EQ(shownProperty(mini, "WM_NAME"), "WM_NAME(STRING) = \"Glimra · XClock\"");
    EXPECT_EQ(shownProperty(mini, "_NET_WM_NAME"), "_NET_WM_NAME(UTF8_STRING) = \"Glimra · XClock\"");

    // Next on the fifth step, "开始使用", finishes the guide as on the permission page.
    const auto origin = x11::reply(xcb_translate_coordinates_reply(
        connection->xcb(),
        xcb_translate_coordinates(connection->xcb(), static_cast<xcb_window_t>(guide), connection->root(), 0, 0),
        nullptr));
    ASSERT_TRUE(origin);
    ASSERT_TRUE(movePointer(origin->dst_x + 718, origin->dst_y + 820 - 75));
    runTool({"xdotool", "click", "1"});
    EXPECT_TRUE(waitUntil([&] { return !isVisibleWindowOf(glimra.pid(), guide); })) << "the guide stayed open";
    // The settings are written after the guide goes.
    nlohmann::json settings;
    EXPECT_TRUE(waitUntil([&] {
        settings = storedSettings(glimra);
        return settings.is_object() && !settings.contains("onboardingStep");
    })) << settings.dump();
    EXPECT_EQ(settings.value("onboardingCompleted", true), false) << settings.dump();

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
