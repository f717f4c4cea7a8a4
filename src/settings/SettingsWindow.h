#pragma once

#include "platform/desktop/HotKeys.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"
#include "platform/ui/Window.h"
#include "settings/GrabbedPressWatch.h"
#include "settings/SettingsRow.h"

#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSlider;
class SettingsTabItem;
class TriggerThemePreviewView;
namespace ui {
class Switch;
}

// The settings window: six tabs of setting cards, built anew from the settings store
// whenever a tab is shown. One per process, created on first use and only hidden when
// closed. Main thread only.
class SettingsWindow : public ui::Window {
    Q_OBJECT

public:
    struct Tab {
        std::string title;  // Simplified Chinese; translated when shown
        std::string symbol;
    };

    // A hot key the shell could not register: its key prefix and why.
    struct RefusedHotkey {
        std::string keyPrefix;
        desktop::HotKeyStatus status = desktop::HotKeyStatus::ok;
    };

    // What the window asks of the application shell, set once at launch. An unset hook
    // means the shell is absent: hot-key titles read "—", nothing is registered.
    struct ShellHooks {
        std::function<std::string(const std::string& keyPrefix)> hotkeyName;
        std::function<std::vector<RefusedHotkey>()> registerAllHotkeys;
        // true: every hot key unregistered and the hold-key monitor paused; false: all
        // registered again.
        std::function<void(bool suspended)> suspendHotkeys;
        std::function<void(bool force)> rebuildMenu;
        std::function<bool()> hoverTriggerEnabled;
        std::function<void(bool enabled)> setHoverTriggerEnabled;
        std::function<void()> startHoverTrigger;
        std::function<void()> stopHoverTrigger;
        std::function<void()> clearMenuThumbnails;
    };
    static void setShellHooks(ShellHooks hooks);
    static const ShellHooks& shellHooks();

    static SettingsWindow& shared();
    // The window if it has been created (tests and the shell's reopen handling).
    static SettingsWindow* existing();

    static const std::vector<Tab>& tabs();
    static constexpr double W = 720;

    // tab: 0 General, 1 Shortcuts, 2 Screen, 3 Theme, 4 Language, 5 About; none or
    // another value keeps the current tab.
    void showSettings(std::optional<int> tab);
    bool isOpen() const { return isOpen_; }
    int currentTab() const { return currentTab_; }
    double height() const { return H_; }

    void rebuildTabBar();
    void rebuildContent();
    void layoutChrome();
    bool fitWindowToScreen();
    void syncUI();

    // Shortcuts tab.
    void refreshHotkeyButtons();
    void flashHotkeyButton(const std::string& text);
    void stopRecordingMonitor();
    void stopHoldRecording();
    void startHoldRecordPoll();
    bool recording() const { return recording_; }

    // The content area every tab is built into (tests read it).
    QWidget* contentArea() const { return contentArea_; }

    // Card operations; each takes the top edge it starts at and returns the next top.
    double addHeader(const std::string& title, const std::string& subtitle, double top);
    double addSectionTitle(const std::string& title, double top);
    struct CardResult {
        double top = 0;
        std::vector<SettingsRowView*> rows;
    };
    // groupedRows: {lower, upper}, half-open as written, rows lower...upper framed.
    CardResult addCard(const std::vector<SettingsRow>& rows, double top,
                       std::optional<std::pair<int, int>> groupedRows = std::nullopt);
    double addFootnote(const std::string& text, double top);
    double sizePopup(QComboBox& popup, double minW, double extra);
    static double buttonWidth(const std::string& title);

    // Control actions, each also reached through its control.
    void triggerDisabledChanged(ui::Switch& sender);
    void openWebsite();
    void checkForUpdates();
    void openHelpCenter();
    void copyDiagnosticsFromSettings();
    void togglePreview();
    void windowCornerChanged();
    void menuThumbsChanged();
    void launchAtLoginChanged();
    void themeChanged();
    void languageChanged();
    void opacityChanged();
    void frameRateChanged();
    void defaultScreenChanged();
    void hoverDelayChanged();
    void scaleChanged();
    void sizeMultiplierChanged();
    void doubleClickChanged();
    void replayOnboarding();
    void hotkeyRecordTapped(QPushButton& sender);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    SettingsWindow();

    void selectTab(int index);
    void windowWillClose();
    void windowDidChangeScreen();
    void buildLanguageTab();
    void buildGeneral();
    void buildHotkeyTab();
    void buildScreenTab();
    void buildTriggerTab();
    void buildAbout();

    int currentTab_ = 0;
    QPointer<QPushButton> checkButton_;
    bool recording_ = false;
    std::optional<desktop::Token> keyMonitor_;
    std::optional<dispatch::WorkItem> resetWorkItem_;
    QPointer<QWidget> tabBar_;
    QPointer<QWidget> separator_;
    std::vector<QPointer<SettingsTabItem>> tabItems_;
    QPointer<QScrollArea> contentScroll_;
    QPointer<QWidget> contentArea_;
    QPointer<ui::Switch> previewSwitch_;
    QPointer<QSlider> scaleSlider_;
    QPointer<QLabel> scaleValue_;
    QPointer<QSlider> sizeSlider_;
    QPointer<QLabel> sizeValue_;
    QPointer<ui::Switch> doubleClickSwitch_;
    QPointer<QComboBox> themePopup_;
    QPointer<TriggerThemePreviewView> themePreview_;
    QPointer<QComboBox> languagePopup_;
    QPointer<ui::Switch> launchSwitch_;
    QPointer<ui::Switch> menuThumbsSwitch_;
    QPointer<QComboBox> screenPopup_;
    QPointer<QComboBox> windowCornerPopup_;
    QPointer<QSlider> opacitySlider_;
    QPointer<QLabel> opacityValue_;
    QPointer<QComboBox> frameRatePopup_;
    std::optional<std::string> recordingKeyPrefix_;
    std::map<std::string, QPointer<QPushButton>> recorderButtons_;
    QPointer<SettingsRowView> holdRowView_;
    std::optional<std::string> flashingPrefix_;
    std::optional<dispatch::Timer> holdRecordPoll_;
    QPointer<SettingsRowView> hoverDelayRow_;
    QPointer<QSlider> hoverDelaySliderRef_;
    QPointer<QLabel> hoverDelayValueRef_;
    bool isOpen_ = false;
    double H_ = 984;

    // Window core: screen changes and the rebuild of the content area.
    void screenDidChange() override;
    void buildCurrentTab();
    void dropControlReferences();
    std::optional<double> lowestContentEdge() const;
    // Takes a view out of the window now and deletes it later, so that a control whose
    // own action rebuilds the window is not deleted under it.
    static void discardView(QWidget& view);

    // About tab: its check button follows every update check, whoever started it.
    bool followsUpdateChecks_ = false;

    // Hot-key recorder: its steps and the shell's hot keys, held off while it records.
    void endRecordingOnClose();
    void recordKeyPress(int keyCode, std::uint64_t modifierFlags);
    void refuseGrabbedPress(const desktop::Event& press);
    void recordHoldTick();
    void suspendShellHotkeys();
    void resumeShellHotkeys();
    std::vector<RefusedHotkey> registerShellHotkeys();
    bool hotkeysSuspended_ = false;
    std::string flashText_;
    std::unique_ptr<settings::GrabbedPressWatch> grabbedPresses_;
};
