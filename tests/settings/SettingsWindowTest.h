#pragma once

#include "platform/defaults/Defaults.h"
#include "settings/SettingsWindow.h"
#include "support/DiagLines.h"
#include "support/QtTestApplication.h"

#include <QCoreApplication>
#include <QEvent>

// The settings window on the test desktop, in Simplified Chinese, without a shell.
class SettingsWindowTest : public testsupport::SimDesktopDiagTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        testsupport::SimDesktopDiagTest::SetUp();
        store().set("appLanguage", 1);
        SettingsWindow::setShellHooks({});
    }

    void TearDown() override
    {
        delete SettingsWindow::existing();
        deleteDiscardedViews();
        SettingsWindow::setShellHooks({});
        testsupport::SimDesktopDiagTest::TearDown();
    }

    static defaults::Defaults& store() { return defaults::Defaults::standard(); }
    static SettingsWindow& window() { return SettingsWindow::shared(); }
    static void deleteDiscardedViews() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    template <class T>
    static T* control(const char* name)
    {
        return window().findChild<T*>(name);
    }

public:
    static double titleBar()
    {
        return ui::Window::frameRectForContentRect({0, 0, 200, 200}, ui::Window::Style::titled).height() - 200;
    }
};
