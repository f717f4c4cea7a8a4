#include "settings/guide/TypingScene.h"

#include "platform/ui/SystemColors.h"

#include <algorithm>

namespace guide {
namespace {

std::vector<ui::KeyValue> numbers(const std::vector<double>& values)
{
    std::vector<ui::KeyValue> keyed;
    for (double v : values) keyed.push_back(ui::KeyValue::number(v));
    return keyed;
}

}  // namespace

std::vector<double> inputTypingScene(ui::Layer& in, const core::Rect& rect, double duration, double start, double step,
                                     double caretStart)
{
    const double width = rect.width(), height = rect.height();
    const double fh = std::max(0.22 * height, 9.0);
    const double fs = std::max(0.6 * fh, 6.0);
    std::vector<double> letterTimes;
    for (int i = 0; i < 4; ++i) letterTimes.push_back(start + i * step);
    const double t3 = letterTimes[3];
    const double hideStart = std::min(t3 + 0.09, 0.985);
    const double hideEnd = std::min(hideStart + 0.015, 0.995);
    const double blinkEnd = std::min(t3 + 0.1, 0.98);
    const double blinkSpan = blinkEnd - caretStart;

    ui::Layer& backdrop = in.addSublayer();
    backdrop.setFrame(rect);
    backdrop.backgroundColor = ui::systemColor("windowBackground");

    ui::Layer& field = in.addSublayer();
    field.setFrame({rect.midX() - 0.34 * width, rect.midY() - fh / 2, 0.68 * width, fh});
    field.backgroundColor = ui::systemColor("textBackground");
    field.cornerRadius = 0.24 * fh;
    field.borderColor = ui::systemColor("controlAccent");
    field.borderColor.setAlphaF(0.75);
    field.borderWidth = std::max(0.012 * height, 1.0);

    static const char* const letters[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) {
        ui::Layer& letter = field.addSublayer(ui::Layer::Kind::text);
        letter.setFrame({0.34 * fh + 0.95 * fs * i, (fh - 1.3 * fs) / 2, 1.3 * fs, 1.3 * fs});
        letter.text = letters[i];
        letter.font = ui::FontSpec{fs, ui::FontSpec::Weight::bold};
        letter.foregroundColor = ui::systemColor("label");
        const double t = letterTimes[static_cast<std::size_t>(i)];
        opacityLoop(letter, {0, 0, 1, 1, 0, 0}, {0, t, t + 0.03, hideStart, hideEnd, 1}, duration, 0);
    }

    const double caretWidth = std::max(0.11 * fs, 1.5);
    ui::Layer& caret = field.addSublayer();
    caret.setFrame({0, 0.18 * fh, caretWidth, 0.64 * fh});
    caret.backgroundColor = ui::systemColor("label");
    caret.cornerRadius = caretWidth / 2;

    // The caret jumps behind each letter as it appears and rests there until the next.
    std::vector<double> stops{0.34 * fh};
    for (int i = 0; i < 4; ++i) stops.push_back(0.34 * fh + 0.95 * fs * i + 1.1 * fs + 1.5);
    std::vector<double> xs{stops[0]}, jumpTimes{0};
    for (std::size_t i = 0; i < 4; ++i) {
        xs.insert(xs.end(), {stops[i], stops[i + 1]});
        jumpTimes.insert(jumpTimes.end(), {letterTimes[i], letterTimes[i]});
    }
    xs.push_back(stops[4]);
    jumpTimes.push_back(1);
    addLoop(caret, "position.x", numbers(xs), std::move(jumpTimes), duration);

    std::vector<double> blink{0, 0}, blinkTimes{0, std::max(caretStart, 0.01)};
    for (int j = 0; j < 15; ++j) {
        blink.push_back(j % 2);
        blinkTimes.push_back(caretStart + blinkSpan * j / 14);
    }
    blink.push_back(0);
    blinkTimes.push_back(1);
    opacityLoop(caret, std::move(blink), std::move(blinkTimes), duration, 0);

    return letterTimes;
}

}  // namespace guide
