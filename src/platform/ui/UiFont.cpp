#include "platform/ui/UiFont.h"

namespace ui {

QFont font(const FontSpec& spec)
{
    QFont f;
    f.setPixelSize(static_cast<int>(spec.points));
    return f;
}

}  // namespace ui
