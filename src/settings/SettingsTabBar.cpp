#include "settings/SettingsWindow.h"

void SettingsWindow::rebuildTabBar() {}

void SettingsWindow::selectTab(int) {}
