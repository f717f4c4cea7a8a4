#pragma once

#include "platform/ui/UiFont.h"

#include <string>
#include <vector>

// The arithmetic of the settings window's cards, rows, pop-ups, buttons and slider
// ticks, apart from any view, so that it can be checked with a stand-in for the text
// measurement. Frames are bottom-left in their parent, in points.
namespace settings {

// How text measures in a font. The application measures with Qt.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // Lines the text takes when word-wrapped at the width (no limit).
    virtual int lineCount(const std::string& text, const ui::FontSpec& font, double width) const = 0;
    // ascender - descender + leading of the font.
    virtual double lineHeight(const ui::FontSpec& font) const = 0;
    // Width of the text on one line.
    virtual double width(const std::string& text, const ui::FontSpec& font) const = 0;
};

// The measurer the views use.
const TextMeasurer& qtTextMeasurer();

// The fonts of the window's texts.
namespace fonts {
inline const ui::FontSpec rowTitle{13.5, ui::FontSpec::Weight::semibold};
inline const ui::FontSpec rowSubtitle{11.5, ui::FontSpec::Weight::regular};
inline const ui::FontSpec footnote{11.5, ui::FontSpec::Weight::regular};
inline const ui::FontSpec headerTitle{24, ui::FontSpec::Weight::bold};
inline const ui::FontSpec headerSubtitle{13, ui::FontSpec::Weight::regular};
inline const ui::FontSpec popup{13, ui::FontSpec::Weight::regular};
inline const ui::FontSpec inlineButton{13, ui::FontSpec::Weight::medium};
inline const ui::FontSpec recorderButton{12, ui::FontSpec::Weight::medium, true};
inline const ui::FontSpec valueLabel{12, ui::FontSpec::Weight::medium, true};
inline const ui::FontSpec tick{9, ui::FontSpec::Weight::regular};
inline const ui::FontSpec tabLabel{11, ui::FontSpec::Weight::regular};
inline const ui::FontSpec tabLabelSelected{11, ui::FontSpec::Weight::semibold};
}  // namespace fonts

// Height of the text wrapped at the width, at most maxLines lines; 0 for "".
double measure(const TextMeasurer& m, const std::string& text, const ui::FontSpec& font, int maxLines, double width);

// max(574 - controlWidth - 30, 80).
double textColumnWidth(double controlWidth);

struct RowMetrics {
    double textWidth = 0;  // w
    double title = 0;      // t
    double subtitle = 0;   // s
    double gap = 0;        // g
    double height = 0;     // max(ceil(t + g + s + 24), 68)
};
RowMetrics rowMetrics(const TextMeasurer& m, const std::string& title, const std::string& subtitle, double controlWidth,
                      int subtitleLines);

// max(ceil(width of the title in the inline button font) + 30, 84).
double buttonWidth(const TextMeasurer& m, const std::string& title);
// max(minW, extra + ceil(width of each title in the 13-pt font)), at most 424.
double popupWidth(const TextMeasurer& m, const std::vector<std::string>& titles, double minW, double extra);

// Snaps to the nearest step (halves away from zero): snap(0.37, 20) is 0.35.
double snap(double value, double stepsPerUnit);

}  // namespace settings
