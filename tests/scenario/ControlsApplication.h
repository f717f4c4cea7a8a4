#pragma once

#include "scenario/EmptyApplication.h"

#include <memory>

namespace ui {
class Window;
}

namespace testsupport {

// An application with one own window, "demo", whose named controls log what the user does
// with them: "launch on|off" (switch launchSwitch), "opacity N" (slider opacitySlider,
// 200 to 1000), "language N" (pop-up languagePopup, two items), "checked" (button
// checkButton, far down a scroll area), "agree on|off" (check box agreeBox, "Agree"), and
// a disabled button "offButton". In front of it stands an unnamed window of the same title,
// "Demo". Each window logs "<demo|other> closed" when it is asked to close. At launch it
// logs the environment variable GLIMRA_PROBE ("probe <value>" or "probe none").
class ControlsApplication : public scenario::EmptyApplication {
public:
    ControlsApplication();
    ~ControlsApplication() override;

    void launch(const std::vector<std::string>& args) override;

private:
    std::unique_ptr<ui::Window> window_;
    std::unique_ptr<ui::Window> other_;
};

}  // namespace testsupport
