#include "settings/SettingsWindow.h"

void SettingsWindow::buildHotkeyTab() {}

void SettingsWindow::refreshHotkeyButtons() {}
