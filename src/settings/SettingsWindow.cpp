#include "settings/SettingsWindow.h"

#include "foundation/Diag.h"

#include <string>

SettingsWindow& SettingsWindow::shared()
{
    static SettingsWindow instance;
    return instance;
}

void SettingsWindow::showSettings(std::optional<int> tab)
{
    Diag::log("settings window requested tab=" + (tab ? std::to_string(*tab) : std::string("current")) +
              " (not built yet, nothing shown)");
}
