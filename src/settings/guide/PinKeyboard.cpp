#include "settings/guide/PinKeyboard.h"

#include "platform/ui/SystemColors.h"
#include "settings/guide/SceneToolkit.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace guide {

namespace {

constexpr std::array<const char*, 3> rows{"QWERTYU", "ASDFGH", "ZXCVBN"};
constexpr std::string_view typedLetters = "ABCD";

std::optional<double> flashTime(char letter, const std::vector<double>& letterTimes)
{
    const auto index = typedLetters.find(letter);
    if (index == std::string_view::npos || index >= letterTimes.size()) return std::nullopt;
    return letterTimes[index];
}

}  // namespace

ui::Layer& pinKeyboard(ui::Layer& parent, const core::Rect& frame, const std::vector<double>& letterTimes, double duration)
{
    ui::Layer& keyboard = parent.addSublayer();
    keyboard.setFrame(frame);

    ui::Layer& plate = keyboard.addSublayer();
    plate.setFrame({0, 0, keyboardWidth, keyboardHeight});
    plate.backgroundColor = QColor::fromRgbF(0.16, 0.16, 0.16, 0.92);
    plate.cornerRadius = 0.12 * keyboardHeight;

    const double gap = 0.09 * keyboardHeight;
    const double keyHeight = (keyboardHeight - 4 * gap) / 3;
    const double keyWidth = (keyboardWidth - 8 * gap) / 7;
    const QColor accent = ui::systemColor("controlAccent");
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const std::string_view letters = rows[row];
        const double n = static_cast<double>(letters.size());
        const double y = keyboardHeight - gap - keyHeight - static_cast<double>(row) * (gap + keyHeight);
        const double firstX = keyboardWidth / 2 - (n * keyWidth + (n - 1) * gap) / 2;
        for (std::size_t column = 0; column < letters.size(); ++column) {
            const core::Rect key{firstX + static_cast<double>(column) * (keyWidth + gap), y, keyWidth, keyHeight};

            ui::Layer& cap = plate.addSublayer();
            cap.setFrame(key);
            cap.backgroundColor = QColor::fromRgbF(0.34, 0.34, 0.34, 1);
            cap.cornerRadius = 0.2 * keyHeight;

            if (const auto t = flashTime(letters[column], letterTimes)) {
                ui::Layer& flash = plate.addSublayer();
                flash.setFrame(key);
                flash.backgroundColor = accent;
                flash.cornerRadius = cap.cornerRadius;
                opacityLoop(flash, {0, 0, 1, 1, 0, 0}, {0, *t, *t + 0.015, *t + 0.06, *t + 0.11, 1}, duration, 0);
            }

            ui::Layer& label = plate.addSublayer(ui::Layer::Kind::text);
            label.setFrame({key.x(), key.y() + 0.15 * keyHeight, keyWidth, 0.7 * keyHeight});
            label.text = std::string(1, letters[column]);
            label.font = ui::FontSpec{0.58 * keyHeight};
            label.foregroundColor = QColor::fromRgbF(1, 1, 1, 0.9);
        }
    }
    return keyboard;
}

}  // namespace guide
