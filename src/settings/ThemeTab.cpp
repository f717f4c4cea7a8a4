#include "settings/SettingsWindow.h"

void SettingsWindow::buildTriggerTab() {}

void SettingsWindow::triggerDisabledChanged(ui::Switch&) {}

void SettingsWindow::themeChanged() {}
