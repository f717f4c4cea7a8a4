#pragma once

#include "panels/PanelFixture.h"
#include "platform/ui/RecordingAlertPresenter.h"
#include "settings/SettingsWindow.h"
#include "settings/guide/OnboardingWindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QSlider>

#include <memory>
#include <string>

// The settings window on the simulated desktop in Simplified Chinese, opened on one tab,
// with mini windows at hand and alerts recorded. Each test gets a window of its own.
class SettingsTabTest : public paneltest::PanelFixture {
protected:
    void SetUp() override
    {
        PanelFixture::SetUp();
        ui::AlertPresenter::install(alerts);
        SettingsWindow::setShellHooks({});
        store().set("appLanguage", 1);
    }

    void TearDown() override
    {
        // The About tab's replay opens the guide; it must not greet the next test.
        delete OnboardingWindow::instance();
        delete SettingsWindow::existing();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        clock().runUntilIdle();
        SettingsWindow::setShellHooks({});
        ui::AlertPresenter::install(nullptr);
        PanelFixture::TearDown();
    }

    SettingsWindow& open(int tab)
    {
        SettingsWindow& window = SettingsWindow::shared();
        window.showSettings(tab);
        clock().runUntilIdle();
        return window;
    }

    template <class T>
    T* find(const char* name) const
    {
        SettingsWindow* window = SettingsWindow::existing();
        return window ? window->contentArea()->findChild<T*>(name) : nullptr;
    }

    std::string text(const char* labelName) const
    {
        const auto* label = find<QLabel>(labelName);
        return label ? label->text().toStdString() : "<missing " + std::string(labelName) + ">";
    }

    // A row's title label ("hoverDelayRow" gives its ".title").
    std::string rowTitle(const char* rowName) const
    {
        const auto* row = find<SettingsRowView>(rowName);
        return row && row->titleLabel ? row->titleLabel->text().toStdString()
                                      : "<missing " + std::string(rowName) + " title>";
    }

    static void choose(QComboBox& popup, int index)
    {
        popup.setCurrentIndex(index);
        emit popup.activated(index);
    }

    static defaults::Defaults& store() { return defaults::Defaults::standard(); }

    std::shared_ptr<ui::RecordingAlertPresenter> alerts = std::make_shared<ui::RecordingAlertPresenter>();
};
