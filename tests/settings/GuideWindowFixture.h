#pragma once

#include "platform/defaults/Defaults.h"
#include "platform/desktop/Desktop.h"
#include "settings/guide/OnboardingWindow.h"
#include "support/DiagLines.h"
#include "support/QtTestApplication.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

#include <string>

// The guide on the simulated desktop, in Simplified Chinese, both permissions refused
// unless a test says otherwise. Each test ends with no guide left.
class GuideWindowTest : public testsupport::SimDesktopDiagTest {
protected:
    static constexpr desktop::Pid systemSettingsPid = 700;

    void SetUp() override
    {
        testsupport::ensureQtApplication();
        testsupport::SimDesktopDiagTest::SetUp();
        store().reopen(configHome() + "/Glimra/defaults.json");
        store().set("appLanguage", 1);
        grant(false, false);
    }

    void TearDown() override
    {
        delete OnboardingWindow::instance();
        deleteClosedWindows();
        clock().runUntilIdle();
        testsupport::SimDesktopDiagTest::TearDown();
    }

    static defaults::Defaults& store() { return defaults::Defaults::standard(); }
    static OnboardingWindow* guideWindow() { return OnboardingWindow::instance(); }
    static void deleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void grant(bool screenRecording, bool accessibility)
    {
        world().setScreenRecordingAllowed(screenRecording);
        world().setAccessibilityTrusted(accessibility);
    }

    void runSystemSettings() { addApp(systemSettingsPid, "System Settings", "com.apple.systempreferences"); }
    bool systemSettingsRuns()
    {
        for (const auto& app : desktop::workspace().applications("com.apple.systempreferences"))
            if (!app.terminated) return true;
        return false;
    }

    template <class T>
    static T* find(OnboardingWindow& window, const char* name)
    {
        return window.findChild<T*>(name);
    }

    static void pressReturn(QWidget& target)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(&target, &press);
    }

    static nlohmann::ordered_json state(const OnboardingWindow& window) { return window.stateJson(); }
};
