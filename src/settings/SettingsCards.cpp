#include "settings/SettingsWindow.h"

double SettingsWindow::addHeader(const std::string&, const std::string&, double top) { return top - 84; }

double SettingsWindow::addSectionTitle(const std::string&, double top) { return top - 48; }

SettingsWindow::CardResult SettingsWindow::addCard(const std::vector<SettingsRow>&, double top, std::optional<std::pair<int, int>>) { return {top - 22, {}}; }

double SettingsWindow::addFootnote(const std::string&, double top) { return top - 24; }

double SettingsWindow::sizePopup(QComboBox&, double minW, double) { return minW; }

double SettingsWindow::buttonWidth(const std::string&) { return 84; }
