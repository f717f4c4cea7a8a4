#pragma once

#include <optional>

// The settings window. Until it is built, showing it only notes the request in the log
// and the window never opens.
class SettingsWindow {
public:
    static SettingsWindow& shared();

    // Shows the window on the given tab (1 is the hot keys), or on its current tab when
    // none is given. Main thread.
    void showSettings(std::optional<int> tab);
    // Whether the window is showing.
    bool isOpen() const { return false; }

private:
    SettingsWindow() = default;
};
