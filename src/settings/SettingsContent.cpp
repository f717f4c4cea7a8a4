#include "settings/SettingsWindow.h"

void SettingsWindow::rebuildContent() {}

void SettingsWindow::syncUI() {}
