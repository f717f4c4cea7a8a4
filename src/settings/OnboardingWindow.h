#pragma once

namespace ui {
class Window;
}

// The first-run guide. Until it is built it never shows: there is no instance and both
// entries return at once. Main thread.
class OnboardingWindow {
public:
    // At launch, and when the user asks to see the guide again.
    static void showIfNeeded();
    // The guide's last page, which asks for the permissions.
    static void showPermissionPage();
    // The guide's window while it exists.
    static ui::Window* instance() { return nullptr; }
};
