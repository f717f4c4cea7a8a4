#include "settings/SettingsWindow.h"

void SettingsWindow::buildGeneral() {}

void SettingsWindow::togglePreview() {}

void SettingsWindow::windowCornerChanged() {}

void SettingsWindow::launchAtLoginChanged() {}

void SettingsWindow::opacityChanged() {}

void SettingsWindow::hoverDelayChanged() {}

void SettingsWindow::scaleChanged() {}

void SettingsWindow::sizeMultiplierChanged() {}

void SettingsWindow::doubleClickChanged() {}
