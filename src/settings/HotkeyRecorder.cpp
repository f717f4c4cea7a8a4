#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "settings/GrabbedPressWatch.h"
#include "settings/RecorderDecision.h"
#include "settings/SettingsWindow.h"
#include "shellcore/HotKeySupport.h"

#include <QPushButton>

#include <algorithm>

namespace {

namespace recorder = settings::recorder;

std::vector<recorder::EffectiveCombination> storedCombinations()
{
    return recorder::effectiveCombinations(app::hotkeySpecs(),
                                           [](const defaults::Integer& setting) { return setting.stored(); });
}

// The recorder's rows are the hot-key table's, each of which the settings table has.
defaults::HotKeySettings settingsOf(const std::string& prefix) { return defaults::setting::hotKey(prefix).value(); }

// A row's two settings exactly as stored, wrong types included, so they can be put back.
struct StoredKeys {
    std::optional<nlohmann::json> code;
    std::optional<nlohmann::json> flags;
};

StoredKeys storedKeys(const std::string& prefix)
{
    const auto keys = settingsOf(prefix);
    return {keys.code.raw(), keys.flags.raw()};
}

void putBack(const std::string& prefix, const StoredKeys& before)
{
    const auto keys = settingsOf(prefix);
    keys.code.restore(before.code);
    keys.flags.restore(before.flags);
}

void storeCombination(const std::string& prefix, const app::HotKeyCombination& combination)
{
    const auto keys = settingsOf(prefix);
    keys.code.write(combination.code);
    keys.flags.write(combination.flags);
}

// Back to the table's default.
void forgetCombination(const std::string& prefix)
{
    const auto keys = settingsOf(prefix);
    keys.code.remove();
    keys.flags.remove();
}

std::string recordLine(const std::string& prefix, const app::HotKeyCombination& combination)
{
    return "快捷键录制: " + prefix + " = " + HotKeySupport::logName(combination.code, combination.flags);
}

}  // namespace

void SettingsWindow::hotkeyRecordTapped(QPushButton& sender)
{
    const std::string prefix = sender.objectName().toStdString();
    if (recording_ || prefix.empty()) return;
    recording_ = true;
    recordingKeyPrefix_ = prefix;
    sender.setText(QString::fromStdString(L10n::t("按下快捷键…")));
    suspendShellHotkeys();
    if (prefix == recorder::holdPrefix) {
        startHoldRecordPoll();
        return;
    }
    keyMonitor_ = desktop::input().addLocalMonitor(
        desktop::maskOf(desktop::EventType::keyDown),
        [window = QPointer<SettingsWindow>(this)](const desktop::Event& event) -> std::optional<desktop::Event> {
            if (!window || !window->recording_) return event;
            window->recordKeyPress(event.keyCode, event.modifierFlags);
            return std::nullopt;
        });
    // A combination the window manager or another client holds never comes here.
    grabbedPresses_ = std::make_unique<settings::GrabbedPressWatch>(
        [window = QPointer<SettingsWindow>(this)](const desktop::Event& press) {
            if (window && window->recording_) window->refuseGrabbedPress(press);
        });
}

void SettingsWindow::recordKeyPress(int keyCode, std::uint64_t modifierFlags)
{
    stopRecordingMonitor();
    recording_ = false;
    using Kind = recorder::KeyPressOutcome::Kind;
    const auto outcome = recordingKeyPrefix_ ? recorder::decideKeyPress(*recordingKeyPrefix_, keyCode, modifierFlags,
                                                                        storedCombinations())
                                             : recorder::KeyPressOutcome{};
    if (outcome.kind != Kind::store) {
        resumeShellHotkeys();
        if (outcome.kind == Kind::unknownKey) {
            Diag::log(recordLine(*recordingKeyPrefix_, outcome.combination) + " 无对应键码 ⇒ 未保存");
            flashHotkeyButton(L10n::t("不支持此键"));
        }
        if (outcome.kind == Kind::needsModifier) flashHotkeyButton(L10n::t("需包含 ⌘/⌥/⌃"));
        if (outcome.kind == Kind::conflict) {
            Diag::log(recordLine(*recordingKeyPrefix_, outcome.combination) + " 与 " + outcome.conflictWith +
                      " 冲突 ⇒ 未保存");
            flashHotkeyButton(L10n::t("与其他快捷键冲突"));
        }
        refreshHotkeyButtons();
        return;
    }

    const std::string prefix = *recordingKeyPrefix_;
    const StoredKeys before = storedKeys(prefix);
    storeCombination(prefix, outcome.combination);
    const auto refused = registerShellHotkeys();
    const auto refusal = std::find_if(refused.begin(), refused.end(),
                                      [&prefix](const RefusedHotkey& entry) { return entry.keyPrefix == prefix; });
    if (refusal != refused.end()) {
        Diag::log(recordLine(prefix, outcome.combination) + " 注册被拒（状态 " +
                  std::to_string(desktop::hotkeyStatusCode(refusal->status)) + "）⇒ 已还原");
        putBack(prefix, before);
        registerShellHotkeys();
        flashHotkeyButton(L10n::t("已被其他应用占用"));
    }
    refreshHotkeyButtons();
}

void SettingsWindow::refuseGrabbedPress(const desktop::Event& press)
{
    stopRecordingMonitor();
    recording_ = false;
    resumeShellHotkeys();
    if (recordingKeyPrefix_)
        Diag::log(recordLine(*recordingKeyPrefix_, {press.keyCode, recorder::hotkeyMask(press.modifierFlags)}) +
                  " 被其他应用截获 ⇒ 未保存");
    flashHotkeyButton(L10n::t("已被其他应用占用"));
    refreshHotkeyButtons();
}

void SettingsWindow::recordHoldTick()
{
    if (!recording_ || recordingKeyPrefix_ != recorder::holdPrefix) return;
    auto& input = desktop::input();
    const auto outcome = recorder::decideHoldTick([&input](int code) { return input.polledKeyDown(code); });
    using Kind = recorder::HoldTickOutcome::Kind;
    const std::string prefix = recorder::holdPrefix;
    switch (outcome.kind) {
    case Kind::none: return;
    case Kind::cancel:
        stopHoldRecording();
        resumeShellHotkeys();
        return;
    case Kind::reset:
        forgetCombination(prefix);
        Diag::log("快捷键录制: " + prefix + " 已清除自定键 ⇒ 回到内置默认");
        stopHoldRecording();
        registerShellHotkeys();
        flashHotkeyButton(L10n::t("已恢复默认键"));
        return;
    case Kind::record:
        stopRecordingMonitor();
        recording_ = false;
        storeCombination(prefix, outcome.combination);
        Diag::log("快捷键录制: " + prefix + " = " + HotKeySupport::logName(outcome.combination.code, 0) +
                  "（按住型·轮询录到）");
        registerShellHotkeys();
        refreshHotkeyButtons();
        return;
    }
}

void SettingsWindow::flashHotkeyButton(const std::string& text)
{
    if (recordingKeyPrefix_) {
        const auto button = recorderButtons_.find(*recordingKeyPrefix_);
        if (button != recorderButtons_.end() && button->second) button->second->setText(QString::fromStdString(text));
        flashingPrefix_ = *recordingKeyPrefix_;
        flashText_ = text;
    }
    if (resetWorkItem_) resetWorkItem_->cancel();
    resetWorkItem_ = dispatch::main().asyncAfter(recorder::flashSeconds, [window = QPointer<SettingsWindow>(this)] {
        if (!window) return;
        window->flashingPrefix_.reset();
        window->refreshHotkeyButtons();
    });
}

void SettingsWindow::stopRecordingMonitor()
{
    holdRecordPoll_.reset();
    grabbedPresses_.reset();
    if (keyMonitor_) {
        desktop::input().removeMonitor(*keyMonitor_);
        keyMonitor_.reset();
    }
}

void SettingsWindow::stopHoldRecording()
{
    stopRecordingMonitor();
    recording_ = false;
    refreshHotkeyButtons();
}

void SettingsWindow::startHoldRecordPoll()
{
    holdRecordPoll_.reset();
    holdRecordPoll_.emplace(dispatch::main(), 0.05, [window = QPointer<SettingsWindow>(this)] {
        if (window) window->recordHoldTick();
    });
}

void SettingsWindow::endRecordingOnClose()
{
    recording_ = false;
    resumeShellHotkeys();
    // The button would still read the prompt when the window is shown again.
    refreshHotkeyButtons();
}

// The shell's hot keys would take the very press being recorded, and a held hold key
// would hide the mini windows, so both stay off while a recording runs.
void SettingsWindow::suspendShellHotkeys()
{
    if (hotkeysSuspended_) return;
    hotkeysSuspended_ = true;
    if (shellHooks().suspendHotkeys) shellHooks().suspendHotkeys(true);
}

void SettingsWindow::resumeShellHotkeys()
{
    if (!hotkeysSuspended_) return;
    hotkeysSuspended_ = false;
    if (shellHooks().suspendHotkeys) shellHooks().suspendHotkeys(false);
}

// Registering everything anew also ends a suspension.
std::vector<SettingsWindow::RefusedHotkey> SettingsWindow::registerShellHotkeys()
{
    hotkeysSuspended_ = false;
    if (!shellHooks().registerAllHotkeys) return {};
    return shellHooks().registerAllHotkeys();
}
