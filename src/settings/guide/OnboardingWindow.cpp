#include "settings/guide/OnboardingWindow.h"

#include "platform/ui/LayerView.h"

#include <QCloseEvent>

void OnboardingWindow::showIfNeeded() {}
void OnboardingWindow::showPermissionPage() {}
OnboardingWindow* OnboardingWindow::instance() { return nullptr; }

OnboardingWindow::OnboardingWindow() : ui::Window(core::Rect(0, 0, 800, 848), Style::titled) {}
OnboardingWindow::~OnboardingWindow() = default;
void OnboardingWindow::render() {}
void OnboardingWindow::goPrev() {}
void OnboardingWindow::goNext() {}
void OnboardingWindow::setupPermissionUI(QWidget&) {}
void OnboardingWindow::refreshPermissionStatus() {}
void OnboardingWindow::requestScreenPermission() {}
void OnboardingWindow::openAXPane() {}
bool OnboardingWindow::permissionPollRunning() const { return false; }
QImage OnboardingWindow::triggerBlockImage() { return {}; }
nlohmann::ordered_json OnboardingWindow::stateJson() const { return nullptr; }
void OnboardingWindow::closeEvent(QCloseEvent* event) { ui::Window::closeEvent(event); }
void OnboardingWindow::keyPressEvent(QKeyEvent* event) { ui::Window::keyPressEvent(event); }
const std::vector<OnboardingWindow::Step>& OnboardingWindow::steps() { return steps_; }
void OnboardingWindow::buildChrome() {}
void OnboardingWindow::showDescription(const std::string&) {}
void OnboardingWindow::layoutDots() {}
void OnboardingWindow::tearDownPermissionPage() {}
