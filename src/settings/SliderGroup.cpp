#include "settings/SliderGroup.h"

#include "platform/ui/Coordinates.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/UiFont.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace {

constexpr double groupWidth = 250;
constexpr double groupHeight = 46;
constexpr double scale = 1000;

void place(QWidget& view, const core::Rect& frame) { view.setGeometry(ui::viewGeometry(frame, groupHeight, false)); }

QLabel* makeLabel(QWidget& parent, const std::string& text, const ui::FontSpec& font, const QColor& colour)
{
    auto* label = new QLabel(QString::fromStdString(text), &parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(ui::font(font));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

const char* tickName(settings::Tick::Role role)
{
    switch (role) {
    case settings::Tick::Role::minimum: return ".tickMin";
    case settings::Tick::Role::standard: return ".tickDefault";
    case settings::Tick::Role::maximum: return ".tickMax";
    }
    return ".tickMin";
}

Qt::Alignment alignment(settings::Tick::Align align)
{
    switch (align) {
    case settings::Tick::Align::left: return Qt::AlignLeft | Qt::AlignVCenter;
    case settings::Tick::Align::center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case settings::Tick::Align::right: return Qt::AlignRight | Qt::AlignVCenter;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

SliderGroup makeSliderGroup(const std::string& name, double minimum, double maximum, double value,
                            const std::string& valueText, const std::vector<settings::Tick>& ticks)
{
    SliderGroup group;
    group.view = new QWidget;
    group.view->resize(static_cast<int>(groupWidth), static_cast<int>(groupHeight));

    group.slider = new QSlider(Qt::Horizontal, group.view);
    group.slider->setObjectName(QString::fromStdString(name + "Slider"));
    group.slider->setRange(static_cast<int>(std::lround(minimum * scale)),
                           static_cast<int>(std::lround(maximum * scale)));
    group.slider->setTracking(true);
    setSliderValue(*group.slider, value);
    place(*group.slider, {0, 24, 188, 20});

    group.value = makeLabel(*group.view, valueText, settings::fonts::valueLabel, ui::systemColor("label"));
    group.value->setObjectName(QString::fromStdString(name + "Value"));
    group.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    place(*group.value, {194, 25, 56, 18});

    for (const settings::Tick& tick : ticks) {
        QLabel* label = makeLabel(*group.view, tick.text, settings::fonts::tick, ui::systemColor("tertiaryLabel"));
        label->setObjectName(tickName(tick.role));
        label->setAlignment(alignment(tick.align));
        place(*label, {tick.x, 8, tick.width, 11});
    }
    return group;
}

double sliderValue(const QSlider& slider) { return slider.value() / scale; }

void setSliderValue(QSlider& slider, double value)
{
    // The knob cannot leave the track; clamping first also keeps huge stored values and
    // NaN from overflowing the conversion.
    const double low = slider.minimum();
    const double position = std::isnan(value) ? low : std::clamp(value * scale, low, double(slider.maximum()));
    const QSignalBlocker blocker(slider);
    slider.setValue(static_cast<int>(std::lround(position)));
}
