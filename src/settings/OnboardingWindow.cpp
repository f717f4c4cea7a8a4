#include "settings/OnboardingWindow.h"

void OnboardingWindow::showIfNeeded() {}

void OnboardingWindow::showPermissionPage() {}
