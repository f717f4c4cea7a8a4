#include "settings/SettingsWindow.h"

void SettingsWindow::buildScreenTab() {}

void SettingsWindow::menuThumbsChanged() {}

void SettingsWindow::frameRateChanged() {}

void SettingsWindow::defaultScreenChanged() {}
