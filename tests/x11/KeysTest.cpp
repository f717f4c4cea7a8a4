#include "platform/desktop/GlobalSpace.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Input.h"
#include "platform/x11/X11KeyMap.h"

#include "x11/KeyGrabClient.h"
#include "x11/X11ServiceFixture.h"

#include <QLineEdit>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using testsupport::runTool;
namespace hk = desktop::hotkeyModifier;
namespace mod = desktop::modifier;

constexpr std::uint32_t optionCommand = hk::option | hk::command;
constexpr std::uint16_t altSuper = XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
constexpr int keyT = 0x11;
constexpr std::uint32_t signature = 0x474c4d52;

class X11KeysTest : public testsupport::X11ServiceTest {
protected:
    void SetUp() override
    {
        X11ServiceTest::SetUp();
        keyMap = std::make_shared<x11::X11KeyMap>(connection->xcb());
        hotKeys = std::make_unique<x11::X11HotKeys>(connection, keyMap);
        hotKeys->setHandler(recorder());
    }

    std::function<void(desktop::HotKeyIdentity, bool)> recorder()
    {
        return [this](desktop::HotKeyIdentity identity, bool pressed) {
            std::lock_guard lock(mutex);
            presses.push_back({identity.id, pressed});
        };
    }

    bool pressedAndReleased(std::uint32_t id)
    {
        return waitOnMain([&] {
            std::lock_guard lock(mutex);
            return std::count(presses.begin(), presses.end(), std::pair{id, true}) >= 1 &&
                   std::count(presses.begin(), presses.end(), std::pair{id, false}) >= 1;
        });
    }

    xcb_keycode_t keycodeOf(int keyCode) { return keyMap->keycodes(keyCode).at(0); }

    std::shared_ptr<x11::X11KeyMap> keyMap;
    std::unique_ptr<x11::X11HotKeys> hotKeys;
    std::mutex mutex;
    std::vector<std::pair<std::uint32_t, bool>> presses;
};

TEST_F(X11KeysTest, TheKeyboardsKeycodesAndLockMasksAreRead)
{
    ASSERT_FALSE(keyMap->keycodes(desktop::key::p).empty());
    EXPECT_EQ(keyMap->keyCode(keycodeOf(desktop::key::p)), desktop::key::p);
    EXPECT_EQ(keyMap->keyCode(keycodeOf(desktop::key::function)), desktop::key::function);
    EXPECT_TRUE(keyMap->keycodes(desktop::key::rightControl).empty());
    EXPECT_NE(keyMap->numLockMask(), 0);
}

TEST_F(X11KeysTest, ARegisteredCombinationReachesTheHandlerAlsoWithNumLockOn)
{
    desktop::Token token = 0;
    ASSERT_EQ(hotKeys->registerHotKey({signature, 1}, desktop::key::p, optionCommand, token), desktop::HotKeyStatus::ok);
    // A key with no X key is refused on its own.
    desktop::Token none = 0;
    EXPECT_EQ(hotKeys->registerHotKey({signature, 2}, desktop::key::rightControl, optionCommand, none),
              desktop::HotKeyStatus::invalid);

    runTool({"xdotool", "key", "super+alt+p"});
    EXPECT_TRUE(pressedAndReleased(1));

    presses.clear();
    runTool({"xdotool", "key", "Num_Lock"});
    runTool({"xdotool", "key", "super+alt+p"});
    EXPECT_TRUE(pressedAndReleased(1));
    runTool({"xdotool", "key", "Num_Lock"});
}

TEST_F(X11KeysTest, ACombinationHeldElsewhereIsRefusedAndOursIsFreedOnUnregisterAndOnQuit)
{
    {
        testsupport::KeyGrabClient first;
        ASSERT_TRUE(first.grab(keycodeOf(keyT), altSuper));
        desktop::Token token = 0;
        EXPECT_EQ(hotKeys->registerHotKey({signature, 3}, keyT, optionCommand, token), desktop::HotKeyStatus::taken);
    }

    desktop::Token token = 0;
    ASSERT_EQ(hotKeys->registerHotKey({signature, 3}, keyT, optionCommand, token), desktop::HotKeyStatus::ok);
    desktop::Token twice = 0;
    EXPECT_EQ(hotKeys->registerHotKey({signature, 4}, keyT, optionCommand, twice), desktop::HotKeyStatus::taken);
    testsupport::KeyGrabClient second;
    EXPECT_FALSE(second.grab(keycodeOf(keyT), altSuper));
    EXPECT_FALSE(second.grab(keycodeOf(keyT), altSuper | XCB_MOD_MASK_LOCK | keyMap->numLockMask()));
    hotKeys->unregisterHotKey(token);
    EXPECT_TRUE(second.grab(keycodeOf(keyT), altSuper));

    // Nothing stays grabbed once the service goes.
    ASSERT_EQ(hotKeys->registerHotKey({signature, 1}, desktop::key::p, optionCommand, token), desktop::HotKeyStatus::ok);
    hotKeys.reset();
    testsupport::KeyGrabClient third;
    EXPECT_TRUE(third.grab(keycodeOf(desktop::key::p), altSuper));
    EXPECT_TRUE(third.grab(keycodeOf(desktop::key::p), altSuper | keyMap->numLockMask()));
}

// A combination held down is one press and one release, however long the keyboard repeats.
TEST_F(X11KeysTest, AHeldCombinationIsOnePressWhileTheKeyboardRepeats)
{
    desktop::Token token = 0;
    ASSERT_EQ(hotKeys->registerHotKey({signature, 1}, desktop::key::p, optionCommand, token), desktop::HotKeyStatus::ok);
    const auto count = [&](bool pressed) {
        std::lock_guard lock(mutex);
        return std::count(presses.begin(), presses.end(), std::pair{1u, pressed});
    };
    runTool({"xset", "r", "rate", "200", "50"});
    runTool({"xdotool", "keydown", "super+alt+p"});
    EXPECT_FALSE(waitOnMain([&] { return count(true) > 1 || count(false) > 0; }, 1))
        << count(true) << " presses and " << count(false) << " releases while held";
    runTool({"xdotool", "keyup", "p", "super", "alt"});
    runTool({"xset", "r", "off"});
    EXPECT_TRUE(waitOnMain([&] { return count(false) == 1; }));
    EXPECT_EQ(count(true), 1);
}

// A changed keyboard map moves the grabs of a key named by what it does (F5) onto its new
// keycodes.
TEST_F(X11KeysTest, AChangedKeyboardMapIsGrabbedAgain)
{
    constexpr int keyF5 = 0x60;
    constexpr xcb_keycode_t spare = 93;  // no key on the test display's map
    desktop::Token token = 0;
    ASSERT_EQ(hotKeys->registerHotKey({signature, 1}, keyF5, optionCommand, token), desktop::HotKeyStatus::ok);
    runTool({"xmodmap", "-e", "keycode 93 = F5"});
    // A probe's own grab before ours would take the combination for itself, and a
    // combination another client took stays theirs: probe only once the new map is read
    // and the grabs that follow it are made (they are made under the registrations' lock,
    // which setHandler takes too).
    ASSERT_TRUE(testsupport::waitUntil([&] {
        const auto keycodes = keyMap->keycodes(keyF5);
        return std::find(keycodes.begin(), keycodes.end(), spare) != keycodes.end();
    }));
    hotKeys->setHandler(recorder());
    EXPECT_FALSE(testsupport::KeyGrabClient().grab(spare, altSuper)) << "the new keycode of F5 was not grabbed";
    EXPECT_FALSE(testsupport::KeyGrabClient().grab(keycodeOf(keyF5), altSuper));
    runTool({"xmodmap", "-e", "keycode 93 ="});
    EXPECT_TRUE(testsupport::waitUntil([&] { return testsupport::KeyGrabClient().grab(spare, altSuper); }));
    runTool({"xdotool", "key", "super+alt+F5"});
    EXPECT_TRUE(pressedAndReleased(1));
}

// Another client remapping a key of its own (as xdotool does around each key it types)
// must not open a moment in which a combination is free and its press reaches the
// focused window.
TEST_F(X11KeysTest, AMappingChangeOfAnotherKeyNeverLetsGoOfACombination)
{
    const int keys[] = {desktop::key::p, keyT, 0x0D, 0x2E, 0x0B, 0x03, 0x0F};
    for (std::uint32_t id = 1; const int key : keys) {
        desktop::Token token = 0;
        ASSERT_EQ(hotKeys->registerHotKey({signature, id++}, key, optionCommand, token), desktop::HotKeyStatus::ok);
    }
    std::atomic<bool> done = false;
    std::atomic<int> granted = 0;
    std::thread rival([&, keycode = keycodeOf(desktop::key::p)] {
        testsupport::KeyGrabClient other;
        while (!done)
            if (other.grab(keycode, altSuper)) ++granted;
    });
    for (int change = 0; change < 10; ++change)
        runTool({"xmodmap", "-e", change % 2 == 0 ? "keycode 93 = F20" : "keycode 93 ="});
    done = true;
    rival.join();
    EXPECT_EQ(granted, 0);
    runTool({"xdotool", "key", "super+alt+p"});
    EXPECT_TRUE(pressedAndReleased(1));
}

// Keys and clicks anywhere on the display, through the global monitors.
class X11GlobalMonitorTest : public testsupport::X11ServiceTest {
protected:
    void SetUp() override
    {
        X11ServiceTest::SetUp();
        ASSERT_TRUE(connection->hasXInput());
        input = std::make_unique<x11::X11Input>(connection, std::make_shared<x11::X11KeyMap>(connection->xcb()));
    }
    void TearDown() override { runTool({"xdotool", "keyup", "Control_R"}); }

    std::unique_ptr<x11::X11Input> input;
    std::vector<desktop::Event> events;  // main queue only
};

TEST_F(X11GlobalMonitorTest, RightCtrlIsTheHoldKeyFnAndAClickIsALeftMouseDown)
{
    const auto token = input->addGlobalMonitor(
        desktop::maskOf(desktop::EventType::flagsChanged) | desktop::maskOf(desktop::EventType::leftMouseDown),
        [this](const desktop::Event& event) { events.push_back(event); });
    // xdotool may press a left-hand modifier with the key: only fn's own events count.
    const auto fnEvent = [&](bool down) {
        return std::find_if(events.begin(), events.end(), [&](const desktop::Event& event) {
            return event.type == desktop::EventType::flagsChanged && event.keyCode == desktop::key::function &&
                   bool(event.modifierFlags & mod::function) == down;
        });
    };

    runTool({"xdotool", "keydown", "Control_R"});
    EXPECT_TRUE(waitOnMain([&] { return fnEvent(true) != events.end(); }));
    EXPECT_TRUE(input->isKeyDown(desktop::key::function));
    EXPECT_FALSE(input->isKeyDown(desktop::key::rightControl));
    EXPECT_TRUE(input->modifierFlags() & mod::function);

    runTool({"xdotool", "keyup", "Control_R"});
    EXPECT_TRUE(waitOnMain([&] { return fnEvent(false) != events.end(); }));
    EXPECT_FALSE(input->isKeyDown(desktop::key::function));

    events.clear();
    runTool({"xdotool", "mousemove", "--sync", "400", "300", "click", "1"});
    ASSERT_TRUE(waitOnMain([&] { return !events.empty(); }));
    EXPECT_EQ(events[0].type, desktop::EventType::leftMouseDown);
    EXPECT_EQ(events[0].location, desktop::globalSpace().toGlobal(core::Point{400, 300}));
    EXPECT_EQ(events[0].clickState, 1);

    // A second click at once is a double click; a removed monitor hears nothing more.
    runTool({"xdotool", "click", "1"});
    ASSERT_TRUE(waitOnMain([&] { return events.size() >= 2; }));
    EXPECT_EQ(events[1].clickState, 2);
    input->removeMonitor(token);
    runTool({"xdotool", "click", "1"});
    EXPECT_FALSE(waitOnMain([&] { return events.size() > 2; }, 0.5));
}

// Keys typed into our own window, through the local monitors: the platform's key codes and
// flags, and a monitor may swallow them.
TEST_F(X11GlobalMonitorTest, OurWindowsKeysReachTheLocalMonitorsWhichMaySwallowThem)
{
    QLineEdit field;
    field.show();
    ASSERT_TRUE(waitOnMain([&] { return field.isVisible() && field.windowHandle()->isExposed(); }));
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(field.winId())});
    ASSERT_TRUE(waitOnMain([&] { return field.hasFocus() && field.isActiveWindow(); }));

    bool swallow = true;
    std::vector<desktop::Event> local;
    const auto token = input->addLocalMonitor(desktop::maskOf(desktop::EventType::keyDown),
                                              [&](const desktop::Event& event) -> std::optional<desktop::Event> {
                                                  local.push_back(event);
                                                  if (swallow) return std::nullopt;
                                                  return event;
                                              });
    runTool({"xdotool", "key", "alt+super+k"});
    ASSERT_TRUE(waitOnMain([&] { return !local.empty(); }));
    EXPECT_EQ(local[0].keyCode, 0x28);
    EXPECT_EQ(local[0].modifierFlags, mod::option | mod::command);
    runTool({"xdotool", "key", "x"});
    ASSERT_TRUE(waitOnMain([&] { return local.size() >= 2; }));
    EXPECT_EQ(local[1].keyCode, 0x07);
    EXPECT_EQ(local[1].modifierFlags, 0u);
    waitOnMain([] { return false; }, 0.2);
    EXPECT_EQ(field.text(), "");

    swallow = false;
    runTool({"xdotool", "key", "x"});
    EXPECT_TRUE(waitOnMain([&] { return field.text() == "x"; }));
    input->removeMonitor(token);

    // The hold key pressed in our own window: fn's flags change, and only locally.
    std::vector<desktop::Event> global;
    const auto globalToken = input->addGlobalMonitor(desktop::maskOf(desktop::EventType::flagsChanged),
                                                     [&](const desktop::Event& event) { global.push_back(event); });
    local.clear();
    const auto flagsToken = input->addLocalMonitor(desktop::maskOf(desktop::EventType::flagsChanged),
                                                   [&](const desktop::Event& event) -> std::optional<desktop::Event> {
                                                       if (event.keyCode == desktop::key::function)
                                                           local.push_back(event);
                                                       return event;
                                                   });
    runTool({"xdotool", "keydown", "Control_R"});
    runTool({"xdotool", "keyup", "Control_R"});
    ASSERT_TRUE(waitOnMain([&] { return local.size() >= 2; }));
    EXPECT_TRUE(local[0].modifierFlags & mod::function);
    EXPECT_FALSE(local[1].modifierFlags & mod::function);
    waitOnMain([] { return false; }, 0.3);
    EXPECT_TRUE(global.empty());
    input->removeMonitor(flagsToken);
    input->removeMonitor(globalToken);
}

// A click names the client window under it; clicks on our own windows are for the local
// monitors only.
TEST_F(X11GlobalMonitorTest, AClickNamesTheWindowUnderItAndOurOwnWindowsAreNotGlobal)
{
    testsupport::X11Client terminal({"xterm", "-geometry", "40x10+600+100"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);
    QWidget own(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    own.setGeometry(100, 600, 200, 100);
    own.show();
    ASSERT_TRUE(waitOnMain([&] { return own.windowHandle() && own.windowHandle()->isExposed(); }));

    std::vector<desktop::Event> clicks;
    const auto token = input->addGlobalMonitor(desktop::maskOf(desktop::EventType::leftMouseDown),
                                               [&](const desktop::Event& event) { clicks.push_back(event); });
    const core::Point ownCentre = desktop::globalSpace().toNative(core::Point{200, 650});
    runTool({"xdotool", "mousemove", "--sync", std::to_string(int(ownCentre.x)), std::to_string(int(ownCentre.y)),
             "click", "1"});
    runTool({"xdotool", "mousemove", "--window", std::to_string(terminalWindow), "--sync", "20", "20", "click", "1"});
    ASSERT_TRUE(waitOnMain([&] { return !clicks.empty(); }));
    waitOnMain([] { return false; }, 0.3);
    ASSERT_EQ(clicks.size(), 1u) << "a click on our own window went to the global monitor";
    EXPECT_EQ(clicks[0].targetWindow, terminalWindow);

    // A burst of clicks arrives whole.
    runTool({"xdotool", "click", "--repeat", "1000", "--delay", "0", "1"});
    EXPECT_TRUE(waitOnMain([&] { return clicks.size() == 1001; }, 30)) << clicks.size();
    input->removeMonitor(token);
}

}  // namespace
