#pragma once

#include <QFont>

namespace views {

// The system font at a size in points (one point is one logical pixel here).
inline QFont systemFont(int points, QFont::Weight weight)
{
    QFont font;
    font.setPixelSize(points);
    font.setWeight(weight);
    return font;
}

}  // namespace views
