#pragma once

#include "settings/SliderTicks.h"

#include <string>
#include <vector>

class QLabel;
class QSlider;
class QWidget;

// A slider row's control: a 250 x 46 view holding the slider (its value × 1000, sending
// while dragged), its value label at the right and the tick labels under it.
struct SliderGroup {
    QWidget* view = nullptr;
    QSlider* slider = nullptr;
    QLabel* value = nullptr;
};

// name: the setting's control name ("size" gives "sizeSlider" and "sizeValue").
SliderGroup makeSliderGroup(const std::string& name, double minimum, double maximum, double value,
                            const std::string& valueText, const std::vector<settings::Tick>& ticks);

// The slider's position as the setting's value.
double sliderValue(const QSlider& slider);
// Moves the knob without sending the slider's action.
void setSliderValue(QSlider& slider, double value);
