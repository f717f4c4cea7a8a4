#include "foundation/L10n.h"
#include "platform/sim/SimInput.h"
#include "platform/ui/TextFit.h"
#include "settings/SettingsWindowTest.h"
#include "shellcore/HotKeySupport.h"
#include "shellcore/HotKeyTable.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include <set>

namespace {

constexpr int keyK = 40;
constexpr int keyP = 35;
constexpr int keyM = 46;
constexpr int escape = 53;
constexpr int deleteKey = 51;
const std::vector<std::string> optionCommand{"alt", "cmd"};

// The shell as the window sees it through its hooks: names and registrations from the
// store, with combinations another application holds.
struct FakeShell {
    bool suspended = false;
    int suspensions = 0;
    int registrations = 0;
    std::set<std::pair<int, int>> reserved;

    static app::HotKeyCombination stored(const app::HotkeySpec& spec)
    {
        const auto settings = spec.settings();
        return app::resolveCombination(spec, settings.code.stored(), settings.flags.stored());
    }

    SettingsWindow::ShellHooks hooks()
    {
        SettingsWindow::ShellHooks hooks;
        hooks.hotkeyName = [](const std::string& prefix) {
            const auto spec = app::hotkeySpec(app::hotkeySpecs(), prefix);
            if (!spec) return std::string();
            const auto combination = stored(*spec);
            return HotKeySupport::displayName(combination.code, combination.flags);
        };
        hooks.registerAllHotkeys = [this] {
            suspended = false;
            ++registrations;
            std::vector<SettingsWindow::RefusedHotkey> refused;
            for (const auto& spec : app::hotkeySpecs()) {
                const auto combination = stored(spec);
                if (!spec.isHold && reserved.count({combination.code, combination.flags}))
                    refused.push_back({spec.keyPrefix, desktop::HotKeyStatus::taken});
            }
            return refused;
        };
        hooks.suspendHotkeys = [this](bool suspend) {
            suspended = suspend;
            if (suspend)
                ++suspensions;
            else
                ++registrations;
        };
        return hooks;
    }
};

class HotkeyRecorderTest : public SettingsWindowTest {
protected:
    void SetUp() override
    {
        SettingsWindowTest::SetUp();
        SettingsWindow::setShellHooks(shell.hooks());
        world().setFrontmost(world().ownPid());
        window().showSettings(1);
        clock().runUntilIdle();
    }

    void TearDown() override
    {
        window().close();
        clock().advance(2);
        SettingsWindowTest::TearDown();
    }

    sim::SimInput& input() { return static_cast<sim::SimInput&>(*desktop().input); }

    static QPushButton* button(const std::string& prefix)
    {
        return window().contentArea()->findChild<QPushButton*>(QString::fromStdString(prefix));
    }
    static std::string title(const std::string& prefix)
    {
        const auto* found = button(prefix);
        return found ? found->text().toStdString() : "(no button)";
    }
    static std::string holdSubtitle()
    {
        const auto* row = window().contentArea()->findChild<SettingsRowView*>("holdRow");
        return row && row->subtitleLabel ? row->subtitleLabel->text().toStdString() : "(no hold row)";
    }

    void startRecording(const std::string& prefix)
    {
        ASSERT_NE(button(prefix), nullptr) << prefix;
        button(prefix)->click();
        clock().runUntilIdle();
    }
    void press(int code, const std::vector<std::string>& modifiers = {})
    {
        input().userKeyDown(code, modifiers);
        input().userKeyUp(code, modifiers);
        clock().runUntilIdle();
    }
    void expectNothingStored(const std::string& prefix)
    {
        EXPECT_FALSE(store().contains(prefix + "Code"));
        EXPECT_FALSE(store().contains(prefix + "Flags"));
    }

    FakeShell shell;
};

TEST_F(HotkeyRecorderTest, NothingStoredShowsTheTableDefaultsInTheTabsOwnOrder)
{
    const std::vector<std::pair<std::string, std::string>> rows{
        {"captureHotKey", "⌥⌘P"}, {"focusCreateHotKey", "⌥⌘F"},  {"toggleHotKey", "⌥⌘B"},
        {"holdHideHotKey", "fn"}, {"pauseAllHotKey", "⌥⌘M"},     {"closeAllHotKey", "⌥⌘W"},
        {"tileAllHotKey", "⌥⌘T"}, {"cursorRescueHotKey", "⌥⌘R"},
    };
    int previousTop = -1;
    for (const auto& [prefix, expected] : rows) {
        EXPECT_EQ(title(prefix), expected) << prefix;
        const int top = button(prefix) ? button(prefix)->mapTo(window().contentArea(), QPoint()).y() : -1;
        EXPECT_GT(top, previousTop) << prefix << " is out of row order";
        previousTop = top;
    }
    EXPECT_NE(holdSubtitle().find("fn"), std::string::npos) << holdSubtitle();
    EXPECT_EQ(shell.registrations, 0);
    for (const auto& [prefix, expected] : rows) expectNothingStored(prefix);
}

TEST_F(HotkeyRecorderTest, APressWithCommandOptionOrControlIsStoredAndRegistered)
{
    startRecording("captureHotKey");
    EXPECT_TRUE(window().recording());
    EXPECT_TRUE(shell.suspended);
    EXPECT_EQ(title("captureHotKey"), "按下快捷键…");

    // A second button does nothing while one records.
    button("toggleHotKey")->click();
    EXPECT_EQ(title("toggleHotKey"), "⌥⌘B");

    press(keyK, {"ctrl", "alt", "shift", "cmd"});
    EXPECT_FALSE(window().recording());
    EXPECT_EQ(store().integer("captureHotKeyCode"), keyK);
    EXPECT_EQ(store().integer("captureHotKeyFlags"), 0x1B00);
    EXPECT_FALSE(shell.suspended);
    EXPECT_EQ(shell.registrations, 1);
    EXPECT_EQ(title("captureHotKey"), "⌃⌥⇧⌘K");

    startRecording("toggleHotKey");
    press(keyK, {"ctrl"});
    EXPECT_EQ(store().integer("toggleHotKeyFlags"), 0x1000);
    EXPECT_TRUE(linesWith("快捷键录制").empty());
}

TEST_F(HotkeyRecorderTest, RefusalsAndEscapeStoreNothingAndGiveTheHotKeysBack)
{
    startRecording("captureHotKey");
    press(keyK, {"shift"});
    EXPECT_FALSE(window().recording());
    EXPECT_FALSE(shell.suspended);
    EXPECT_EQ(title("captureHotKey"), "需包含 ⌘/⌥/⌃");
    expectNothingStored("captureHotKey");

    // A key the desktop has no code for (Ö on a German keyboard) would read back as the
    // row's default key.
    startRecording("tileAllHotKey");
    press(-1, {"ctrl", "alt"});
    EXPECT_FALSE(shell.suspended);
    EXPECT_EQ(title("tileAllHotKey"), "不支持此键");
    expectNothingStored("tileAllHotKey");
    EXPECT_EQ(linesWith("快捷键录制"),
              std::vector<std::string>{"快捷键录制: tileAllHotKey = ⌃⌥Key-1 无对应键码 ⇒ 未保存"});

    for (const auto& modifiers : {std::vector<std::string>{}, std::vector<std::string>{"cmd"}}) {
        startRecording("pauseAllHotKey");
        EXPECT_TRUE(shell.suspended);
        press(escape, modifiers);
        EXPECT_FALSE(window().recording());
        EXPECT_FALSE(shell.suspended);
        EXPECT_EQ(title("pauseAllHotKey"), "⌥⌘M");
        expectNothingStored("pauseAllHotKey");
    }
    EXPECT_EQ(shell.suspensions, 4);
}

TEST_F(HotkeyRecorderTest, ACombinationAnotherRowUsesIsRefused)
{
    // Another row's default.
    startRecording("toggleHotKey");
    press(keyP, optionCommand);
    EXPECT_EQ(title("toggleHotKey"), "与其他快捷键冲突");
    expectNothingStored("toggleHotKey");
    EXPECT_FALSE(shell.suspended);

    // Another row's stored combination; its old default is free again.
    store().set("pauseAllHotKeyCode", keyK);
    store().set("pauseAllHotKeyFlags", 0x300);
    startRecording("captureHotKey");
    press(keyK, {"shift", "cmd"});
    expectNothingStored("captureHotKey");
    EXPECT_FALSE(shell.suspended);
    EXPECT_EQ(shell.registrations, 2);  // both by giving the hot keys back

    const auto lines = linesWith("快捷键录制");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "快捷键录制: toggleHotKey = ⌥⌘P 与 captureHotKey 冲突 ⇒ 未保存");
    EXPECT_EQ(lines[1], "快捷键录制: captureHotKey = ⇧⌘K 与 pauseAllHotKey 冲突 ⇒ 未保存");

    clock().advance(1.3);
    startRecording("captureHotKey");
    press(keyM, optionCommand);
    EXPECT_EQ(store().integer("captureHotKeyCode"), keyM);
}

TEST_F(HotkeyRecorderTest, ARegistrationRefusalPutsBothKeysBackAsTheyWere)
{
    shell.reserved = {{keyK, 0x900}};

    startRecording("captureHotKey");
    press(keyK, optionCommand);
    expectNothingStored("captureHotKey");
    EXPECT_EQ(title("captureHotKey"), "已被其他应用占用");
    EXPECT_EQ(shell.registrations, 2);  // the refused try and the one after putting back
    EXPECT_FALSE(shell.suspended);

    // Values of the wrong type are put back exactly too.
    store().set("closeAllHotKeyCode", 12);
    store().set("closeAllHotKeyFlags", "0x900");
    startRecording("closeAllHotKey");
    press(keyK, optionCommand);
    EXPECT_EQ(store().integer("closeAllHotKeyCode"), 12);
    EXPECT_EQ(store().string("closeAllHotKeyFlags"), "0x900");

    const auto lines = linesWith("快捷键录制");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "快捷键录制: captureHotKey = ⌥⌘K 注册被拒（状态 -9878）⇒ 已还原");
}

TEST_F(HotkeyRecorderTest, TheHoldKeyIsTheFirstCandidateDownOnTheFirstTick)
{
    input().userKeyDown(63);
    input().userKeyDown(55);
    startRecording("holdHideHotKey");
    EXPECT_TRUE(shell.suspended);
    clock().advance(0.05);
    EXPECT_FALSE(window().recording());
    EXPECT_EQ(store().integer("holdHideHotKeyCode"), 63);
    EXPECT_EQ(store().integer("holdHideHotKeyFlags"), 0);
    EXPECT_FALSE(shell.suspended);
    input().userKeyUp(63);
    input().userKeyUp(55);

    input().userKeyDown(54);
    startRecording("holdHideHotKey");
    clock().advance(0.05);
    input().userKeyUp(54);
    EXPECT_EQ(store().integer("holdHideHotKeyCode"), 54);
    EXPECT_EQ(store().integer("holdHideHotKeyFlags"), 0x100);
    EXPECT_EQ(title("holdHideHotKey"), "右⌘");
    EXPECT_NE(holdSubtitle().find("右⌘"), std::string::npos) << holdSubtitle();
    EXPECT_EQ(linesWith("快捷键录制").back(), "快捷键录制: holdHideHotKey = 右⌘（按住型·轮询录到）");

    // Ordinary keys go on to the window; Escape ends it with nothing stored.
    startRecording("holdHideHotKey");
    press(keyK, {"cmd"});
    clock().advance(0.2);
    EXPECT_TRUE(window().recording());
    input().userKeyDown(escape);
    clock().advance(0.05);
    input().userKeyUp(escape);
    EXPECT_FALSE(window().recording());
    EXPECT_FALSE(shell.suspended);
    EXPECT_EQ(store().integer("holdHideHotKeyCode"), 54);
}

TEST_F(HotkeyRecorderTest, DeleteDuringAHoldRecordingGoesBackToFnWithAMessage)
{
    store().set("holdHideHotKeyCode", 58);
    store().set("holdHideHotKeyFlags", 0x800);
    startRecording("holdHideHotKey");
    input().userKeyDown(deleteKey);
    clock().advance(0.05);
    input().userKeyUp(deleteKey);
    expectNothingStored("holdHideHotKey");
    EXPECT_FALSE(window().recording());
    EXPECT_FALSE(shell.suspended);
    EXPECT_EQ(linesWith("快捷键录制"),
              std::vector<std::string>{"快捷键录制: holdHideHotKey 已清除自定键 ⇒ 回到内置默认"});
    EXPECT_EQ(title("holdHideHotKey"), "已恢复默认键");
    EXPECT_NE(holdSubtitle().find("fn"), std::string::npos) << holdSubtitle();
    clock().advance(1.1);
    EXPECT_EQ(title("holdHideHotKey"), "已恢复默认键");
    clock().advance(0.15);
    EXPECT_EQ(title("holdHideHotKey"), "fn");
}

TEST_F(HotkeyRecorderTest, ASecondMessageReplacesTheFirstAndStandsItsOwnTime)
{
    startRecording("captureHotKey");
    press(keyK);
    clock().advance(0.8);
    startRecording("captureHotKey");
    press(keyK, {"shift"});
    EXPECT_EQ(title("captureHotKey"), "需包含 ⌘/⌥/⌃");
    clock().advance(0.8);  // 1.6 s after the first
    EXPECT_EQ(title("captureHotKey"), "需包含 ⌘/⌥/⌃");
    clock().advance(0.45);
    EXPECT_EQ(title("captureHotKey"), "⌥⌘P");
}

TEST_F(HotkeyRecorderTest, ARecordingGoesOnAcrossARebuild)
{
    startRecording("tileAllHotKey");
    window().showSettings(0);
    clock().runUntilIdle();
    EXPECT_TRUE(window().recording());
    window().showSettings(1);
    clock().runUntilIdle();
    EXPECT_EQ(title("tileAllHotKey"), "按下快捷键…");

    press(keyK, optionCommand);
    EXPECT_EQ(store().integer("tileAllHotKeyCode"), keyK);
    EXPECT_EQ(title("tileAllHotKey"), "⌥⌘K");

    // A message standing at a rebuild stays on the new button.
    startRecording("tileAllHotKey");
    press(keyK);
    window().rebuildContent();
    EXPECT_EQ(title("tileAllHotKey"), "需包含 ⌘/⌥/⌃");
}

TEST_F(HotkeyRecorderTest, ClosingEndsTheRecordingAndGivesTheHotKeysBack)
{
    startRecording("captureHotKey");
    window().close();
    clock().runUntilIdle();
    EXPECT_FALSE(window().recording());
    EXPECT_FALSE(shell.suspended);
    press(keyK, optionCommand);
    expectNothingStored("captureHotKey");

    window().showSettings(std::nullopt);
    clock().runUntilIdle();
    EXPECT_EQ(title("captureHotKey"), "⌥⌘P");

    startRecording("holdHideHotKey");
    window().close();
    input().userKeyDown(54);
    clock().advance(0.2);
    input().userKeyUp(54);
    expectNothingStored("holdHideHotKey");
    EXPECT_FALSE(shell.suspended);
}

TEST_F(HotkeyRecorderTest, ClosingDuringAMessageLeavesNothingBehind)
{
    startRecording("captureHotKey");
    press(keyK, {"shift"});
    window().close();
    clock().advance(0.5);
    window().showSettings(2);
    clock().advance(1.0);
    window().showSettings(1);
    clock().runUntilIdle();
    EXPECT_EQ(title("captureHotKey"), "⌥⌘P");
}

TEST_F(HotkeyRecorderTest, EveryLanguageShowsTheTabAndEveryMessageUncut)
{
    const std::vector<std::string> messages{"按下快捷键…",      "需包含 ⌘/⌥/⌃",     "已恢复默认键",
                                            "与其他快捷键冲突", "已被其他应用占用", "不支持此键"};
    for (int language = 1; language <= 8; ++language) {
        store().set("appLanguage", language);
        window().rebuildContent();
        for (const QLabel* label : window().contentArea()->findChildren<QLabel*>())
            EXPECT_FALSE(ui::textClipped(*label)) << language << " " << label->text().toStdString();
        auto* recorder = button("captureHotKey");
        ASSERT_NE(recorder, nullptr);
        for (const auto& message : messages) {
            recorder->setText(QString::fromStdString(L10n::t(message)));
            EXPECT_FALSE(ui::textClipped(*recorder)) << language << " " << recorder->text().toStdString();
        }
    }
    EXPECT_EQ(linesWith("L10n 缺翻译"), std::vector<std::string>{});
}

}  // namespace
