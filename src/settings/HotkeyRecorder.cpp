#include "settings/SettingsWindow.h"

void SettingsWindow::flashHotkeyButton(const std::string&) {}

void SettingsWindow::stopRecordingMonitor() {}

void SettingsWindow::stopHoldRecording() {}

void SettingsWindow::startHoldRecordPoll() {}

void SettingsWindow::hotkeyRecordTapped(QPushButton&) {}
