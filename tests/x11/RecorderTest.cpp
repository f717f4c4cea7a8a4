#include "app/HotKeyRegistry.h"
#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"
#include "platform/defaults/Defaults.h"
#include "platform/desktop/Desktop.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11KeyMap.h"
#include "settings/SettingsRow.h"
#include "settings/SettingsWindow.h"
#include "support/TestEnvironment.h"

#include "x11/KeyGrabClient.h"
#include "x11/X11ServiceFixture.h"

#include <QLabel>
#include <QPushButton>
#include <QWindow>

#include <gtest/gtest.h>

#include <atomic>
#include <tuple>

// The settings window's hot-key recorder on the X display: the shell's hot keys as X grabs,
// the window's key presses through the local monitor, and every click and key a real X
// event posted by xdotool.
namespace {

using testsupport::runTool;

constexpr int keyK = 0x28;
constexpr int keyJ = 0x26;
constexpr int keyP = 0x23;
constexpr int keyT = 0x11;
constexpr int optionCommand = 0x900;
constexpr std::uint16_t altSuper = XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

class X11RecorderTest : public testsupport::X11ServiceTest {
protected:
    void SetUp() override
    {
        X11ServiceTest::SetUp();
        desktop::install(x11::makeDesktop(connection));
        defaults::Defaults::standard().reopen(home.path() + "/defaults.json");
        keyMap = std::make_unique<x11::X11KeyMap>(connection->xcb());

        registry = std::make_unique<app::HotKeyRegistry>([this](app::Command command) {
            if (command == app::Command::captureFrontmost) ++captures;
            if (command == app::Command::tileAll) ++tiles;
        });
        registry->registerHotKey([this] { ++holds; }, {});
        SettingsWindow::ShellHooks hooks;
        hooks.hotkeyName = [this](const std::string& prefix) { return registry->hotkeyName(prefix); };
        hooks.registerAllHotkeys = [this] {
            std::vector<SettingsWindow::RefusedHotkey> refused;
            for (const auto& refusal : registry->registerAllHotkeys())
                refused.push_back({refusal.keyPrefix, refusal.status});
            return refused;
        };
        hooks.suspendHotkeys = [this](bool suspended) { registry->suspendHotkeys(suspended); };
        SettingsWindow::setShellHooks(hooks);
        SettingsWindow::shared().showSettings(1);
        ASSERT_TRUE(waitOnMain([] {
            const QWindow* shown = SettingsWindow::shared().windowHandle();
            return shown && shown->isExposed();
        }));
    }

    void TearDown() override
    {
        runTool({"xdotool", "keyup", "Control_R", "BackSpace"});
        // openbox's Super+D may have shown the desktop.
        runTool({"wmctrl", "-k", "off"});
        delete SettingsWindow::existing();
        SettingsWindow::setShellHooks({});
        // Nothing stays grabbed for the tests after this one.
        if (registry) registry->suspendHotkeys(true);
        defaults::Defaults::standard().flush();
        X11ServiceTest::TearDown();
    }

    QPushButton& button(const char* keyPrefix)
    {
        auto* found = SettingsWindow::shared().contentArea()->findChild<QPushButton*>(keyPrefix);
        EXPECT_NE(found, nullptr) << keyPrefix;
        return *found;
    }

    bool buttonReads(const char* keyPrefix, const std::string& text)
    {
        return waitOnMain([&] { return button(keyPrefix).text().toStdString() == text; }, 5);
    }

    void click(const char* keyPrefix)
    {
        QPushButton& target = button(keyPrefix);
        const QPoint centre = target.mapToGlobal(target.rect().center());
        // Not --sync: that waits for a move, and the pointer may be there already.
        runTool({"xdotool", "mousemove", std::to_string(centre.x()), std::to_string(centre.y()), "click", "1"});
    }

    bool pressed(const std::string& combination, const std::atomic<int>& count)
    {
        const int before = count;
        runTool({"xdotool", "key", combination});
        return waitOnMain([&] { return count > before; }, 5);
    }

    // Whether another client could take the ⌥⌘ combination of the key now.
    bool freeForOthers(int keyCode, std::uint16_t locks = 0)
    {
        return testsupport::KeyGrabClient().grab(keyMap->keycodes(keyCode).at(0), altSuper | locks);
    }

    static std::optional<long> stored(const std::string& key) { return defaults::Defaults::standard().integer(key); }

    testsupport::TempDir home;
    std::unique_ptr<x11::X11KeyMap> keyMap;
    std::unique_ptr<app::HotKeyRegistry> registry;
    std::atomic<int> captures = 0;
    std::atomic<int> tiles = 0;
    std::atomic<int> holds = 0;
};

// The keys read as a Linux desktop writes them: the buttons, the hold row's subtitle and the
// tab's own hints.
TEST_F(X11RecorderTest, KeysReadInWordsAndAltSuperKPressedWhileRecordingIsStoredAndWorksAtOnce)
{
    EXPECT_TRUE(buttonReads("captureHotKey", "Alt+Super+P"));
    EXPECT_TRUE(buttonReads("holdHideHotKey", "Right Ctrl"));
    const auto* holdRow = SettingsWindow::shared().contentArea()->findChild<SettingsRowView*>("holdRow");
    ASSERT_TRUE(holdRow && holdRow->subtitleLabel);
    EXPECT_EQ(holdRow->subtitleLabel->text().toStdString(),
              core::formatText(L10n::t("按住 %@ 键，临时关闭所有小窗，松开恢复。"), {"Right Ctrl"}));
    int hintsInWords = 0;
    for (const QLabel* label : SettingsWindow::shared().contentArea()->findChildren<QLabel*>()) {
        hintsInWords += label->text().contains("Ctrl/Alt/Super");
        EXPECT_FALSE(label->text().contains("⌘")) << label->text().toStdString();
    }
    EXPECT_EQ(hintsInWords, 2) << "the header and the footnote name the modifiers";

    ASSERT_TRUE(pressed("super+alt+p", captures));

    click("captureHotKey");
    ASSERT_TRUE(buttonReads("captureHotKey", L10n::t("按下快捷键…")));
    // The shell lets go of its keys while one is recorded, so the press reaches the window.
    EXPECT_TRUE(freeForOthers(keyP));
    runTool({"xdotool", "key", "alt+super+k"});
    EXPECT_TRUE(buttonReads("captureHotKey", "Alt+Super+K"));
    EXPECT_EQ(stored("captureHotKeyCode"), keyK);
    EXPECT_EQ(stored("captureHotKeyFlags"), optionCommand);

    EXPECT_TRUE(pressed("super+alt+k", captures)) << "the recorded combination does nothing";
    EXPECT_TRUE(freeForOthers(keyP)) << "the replaced combination is still grabbed";
    EXPECT_FALSE(freeForOthers(keyT)) << "the other hot keys were not registered again";
}

TEST_F(X11RecorderTest, EscapeCancelsTheRecordingAndEveryHotKeyWorksAsBefore)
{
    click("tileAllHotKey");
    ASSERT_TRUE(buttonReads("tileAllHotKey", L10n::t("按下快捷键…")));
    runTool({"xdotool", "key", "Escape"});
    EXPECT_TRUE(buttonReads("tileAllHotKey", "Alt+Super+T"));
    EXPECT_FALSE(stored("tileAllHotKeyCode"));

    // The recording is over: a combination pressed now is not taken for the key.
    runTool({"xdotool", "key", "alt+super+k"});
    EXPECT_TRUE(pressed("super+alt+t", tiles));
    EXPECT_TRUE(pressed("super+alt+p", captures));
    EXPECT_FALSE(stored("tileAllHotKeyCode"));
}

// A key at no place of the code table (here one a client mapped to a spare keycode) would be
// stored as the row's default key with the new modifiers, so Ctrl+Alt+T would run the row.
TEST_F(X11RecorderTest, AKeyWithoutACodeIsRefusedAndTheOldCombinationKept)
{
    click("tileAllHotKey");
    ASSERT_TRUE(buttonReads("tileAllHotKey", L10n::t("按下快捷键…")));
    runTool({"xdotool", "key", "ctrl+alt+odiaeresis"});
    EXPECT_TRUE(buttonReads("tileAllHotKey", L10n::t("不支持此键")));
    EXPECT_FALSE(stored("tileAllHotKeyCode"));
    EXPECT_FALSE(stored("tileAllHotKeyFlags"));
    EXPECT_TRUE(pressed("super+alt+t", tiles));
}

// The test display's layout for a while, the US one again after, also when the test fails.
struct KeyboardLayout {
    explicit KeyboardLayout(const std::string& name) { runTool({"setxkbmap", name}); }
    ~KeyboardLayout() { runTool({"setxkbmap", "us"}); }
};

// On a German layout its own letters record by their key's place (the codes of the ANSI
// keys there), read as the layout prints them and work at once.
TEST_F(X11RecorderTest, TheKeysOfAGermanLayoutRecordByTheirPlaceAndReadAsItPrintsThem)
{
    const KeyboardLayout german("de");
    ASSERT_TRUE(waitOnMain([] { return desktop::keyCap(0x29) == "Ö"; })) << "the new layout was not read";
    const std::tuple<std::string, int, std::string> rows[]{{"odiaeresis", 0x29, "Ctrl+Alt+Ö"},
                                                           {"adiaeresis", 0x27, "Ctrl+Alt+Ä"},
                                                           {"udiaeresis", 0x21, "Ctrl+Alt+Ü"},
                                                           {"ssharp", 0x1B, "Ctrl+Alt+ß"},
                                                           {"z", 0x10, "Ctrl+Alt+Z"}};
    for (const auto& [keysym, code, shown] : rows) {
        SCOPED_TRACE(keysym);
        click("tileAllHotKey");
        ASSERT_TRUE(buttonReads("tileAllHotKey", L10n::t("按下快捷键…")));
        runTool({"xdotool", "key", "ctrl+alt+" + keysym});
        EXPECT_TRUE(buttonReads("tileAllHotKey", shown));
        EXPECT_EQ(stored("tileAllHotKeyCode"), code);
        EXPECT_TRUE(pressed("ctrl+alt+" + keysym, tiles)) << "the recorded combination does nothing";
    }
}

// Another client holds the combination only with NumLock lit, so the press reaches the
// window but the combination cannot be grabbed whole: it is refused and the old one kept.
TEST_F(X11RecorderTest, ACombinationAnotherClientHoldsIsRefusedAndTheOldOneKept)
{
    testsupport::KeyGrabClient holder;
    ASSERT_TRUE(holder.grab(keyMap->keycodes(keyJ).at(0), altSuper | keyMap->numLockMask()));

    click("captureHotKey");
    ASSERT_TRUE(buttonReads("captureHotKey", L10n::t("按下快捷键…")));
    runTool({"xdotool", "key", "alt+super+j"});
    EXPECT_TRUE(buttonReads("captureHotKey", L10n::t("已被其他应用占用")));
    EXPECT_FALSE(stored("captureHotKeyCode"));
    EXPECT_FALSE(stored("captureHotKeyFlags"));
    EXPECT_TRUE(freeForOthers(keyJ)) << "half of the refused combination stayed grabbed";
    EXPECT_TRUE(pressed("super+alt+p", captures));
}

// A combination the window manager or another client grabbed never reaches the window:
// the recorder tells it is taken and keeps the old one, while a free one is recorded.
TEST_F(X11RecorderTest, CombinationsGrabbedByAnotherClientOrTheWindowManagerAreRefusedAsTaken)
{
    testsupport::KeyGrabClient holder;
    ASSERT_TRUE(holder.grab(keyMap->keycodes(keyK).at(0), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1));
    const std::string taken = L10n::t("已被其他应用占用");

    click("captureHotKey");
    ASSERT_TRUE(buttonReads("captureHotKey", L10n::t("按下快捷键…")));
    runTool({"xdotool", "key", "ctrl+alt+k"});
    EXPECT_TRUE(buttonReads("captureHotKey", taken));
    EXPECT_FALSE(stored("captureHotKeyCode"));
    EXPECT_TRUE(pressed("super+alt+p", captures)) << "the old combination was let go";

    click("tileAllHotKey");
    ASSERT_TRUE(buttonReads("tileAllHotKey", L10n::t("按下快捷键…")));
    runTool({"xdotool", "key", "ctrl+alt+j"});
    EXPECT_TRUE(buttonReads("tileAllHotKey", "Ctrl+Alt+J"));
    EXPECT_EQ(stored("tileAllHotKeyCode"), keyJ);

    // openbox's own Super+D shows the desktop, the settings window hidden with the rest.
    click("focusCreateHotKey");
    ASSERT_TRUE(buttonReads("focusCreateHotKey", L10n::t("按下快捷键…")));
    runTool({"xdotool", "key", "super+d"});
    EXPECT_TRUE(buttonReads("focusCreateHotKey", taken));
    EXPECT_FALSE(stored("focusCreateHotKeyCode"));
    EXPECT_FALSE(stored("focusCreateHotKeyFlags"));
}

// The hold key is read from the keyboard's state: Right Ctrl is recorded as fn, the key X
// lacks, is named as the key pressed and works at once; BackSpace gives the default back.
TEST_F(X11RecorderTest, TheHoldKeyRecordsRightCtrlAsFnAndBackSpaceRestoresTheDefault)
{
    click("holdHideHotKey");
    ASSERT_TRUE(buttonReads("holdHideHotKey", L10n::t("按下快捷键…")));
    runTool({"xdotool", "keydown", "Control_R"});
    EXPECT_TRUE(waitOnMain([] { return stored("holdHideHotKeyCode").has_value(); }, 5));
    runTool({"xdotool", "keyup", "Control_R"});
    EXPECT_EQ(stored("holdHideHotKeyCode"), desktop::key::function);
    EXPECT_TRUE(buttonReads("holdHideHotKey", "Right Ctrl"));

    runTool({"xdotool", "keydown", "Control_R"});
    EXPECT_TRUE(waitOnMain([&] { return holds > 0; }, 5)) << "holding the recorded key hides nothing";
    runTool({"xdotool", "keyup", "Control_R"});

    click("holdHideHotKey");
    ASSERT_TRUE(buttonReads("holdHideHotKey", L10n::t("按下快捷键…")));
    runTool({"xdotool", "keydown", "BackSpace"});
    EXPECT_TRUE(buttonReads("holdHideHotKey", L10n::t("已恢复默认键")));
    runTool({"xdotool", "keyup", "BackSpace"});
    EXPECT_FALSE(stored("holdHideHotKeyCode"));
}

}  // namespace
