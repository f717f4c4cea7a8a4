#pragma once

#include <QFont>

namespace ui {

// A font as the views ask for it: the one interface font (with its CJK fallback) at a
// size in points (one point is one logical pixel), a weight, and digits of equal width
// where asked.
struct FontSpec {
    enum class Weight { regular, medium, semibold, bold };

    double points = 13;
    Weight weight = Weight::regular;
    bool monospacedDigits = false;

    bool operator==(const FontSpec&) const = default;
};

QFont font(const FontSpec& spec);

// The families text of a weight draws from, first choice first.
const QStringList& fontFamilies(FontSpec::Weight weight);

}  // namespace ui
