#pragma once

#include "settings/SettingsLayout.h"

#include <cmath>

namespace testsupport {

// Every character (code point) is as wide as the font's size; a line is the size + 3
// high. Lines break anywhere.
class FakeTextMeasurer : public settings::TextMeasurer {
public:
    int lineCount(const std::string& text, const ui::FontSpec& font, double width) const override
    {
        return static_cast<int>(std::ceil(this->width(text, font) / width));
    }
    double lineHeight(const ui::FontSpec& font) const override { return font.points + 3; }
    double width(const std::string& text, const ui::FontSpec& font) const override
    {
        double characters = 0;
        for (unsigned char c : text)
            if ((c & 0xC0) != 0x80) ++characters;
        return characters * font.points;
    }
};

}  // namespace testsupport
