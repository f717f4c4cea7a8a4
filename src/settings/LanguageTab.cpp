#include "settings/SettingsWindow.h"

void SettingsWindow::buildLanguageTab() {}

void SettingsWindow::languageChanged() {}
