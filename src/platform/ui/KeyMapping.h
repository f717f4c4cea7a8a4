#pragma once

#include <QString>
#include <Qt>

#include <cstdint>

namespace ui {

// The desktop's key codes and modifier flags in Qt's terms. The platform's command key
// is the shortcut modifier, Qt's Control; its control key is Qt's Meta.
Qt::KeyboardModifiers qtModifiers(std::uint64_t modifierFlags);
// Qt::Key_unknown for a code without a Qt key.
Qt::Key qtKey(int keyCode);
// The text the key types with these modifiers; empty for keys that type nothing.
QString keyText(int keyCode, std::uint64_t modifierFlags);

}  // namespace ui
