#include "settings/SettingsWindow.h"

void SettingsWindow::buildAbout() {}

void SettingsWindow::openWebsite() {}

void SettingsWindow::checkForUpdates() {}

void SettingsWindow::openHelpCenter() {}

void SettingsWindow::copyDiagnosticsFromSettings() {}

void SettingsWindow::replayOnboarding() {}
