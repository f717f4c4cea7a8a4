#include "platform/ui/KeyMapping.h"

#include "platform/desktop/Input.h"

#include <array>
#include <utility>

namespace ui {
namespace {

struct KeyEntry {
    int code;
    Qt::Key key;
    char text;  // unshifted; 0 for none
};

// The platform's ANSI keyboard layout.
constexpr std::array keyTable{
    KeyEntry{0x00, Qt::Key_A, 'a'},
    KeyEntry{0x01, Qt::Key_S, 's'},
    KeyEntry{0x02, Qt::Key_D, 'd'},
    KeyEntry{0x03, Qt::Key_F, 'f'},
    KeyEntry{0x04, Qt::Key_H, 'h'},
    KeyEntry{0x05, Qt::Key_G, 'g'},
    KeyEntry{0x06, Qt::Key_Z, 'z'},
    KeyEntry{0x07, Qt::Key_X, 'x'},
    KeyEntry{0x08, Qt::Key_C, 'c'},
    KeyEntry{0x09, Qt::Key_V, 'v'},
    KeyEntry{0x0B, Qt::Key_B, 'b'},
    KeyEntry{0x0C, Qt::Key_Q, 'q'},
    KeyEntry{0x0D, Qt::Key_W, 'w'},
    KeyEntry{0x0E, Qt::Key_E, 'e'},
    KeyEntry{0x0F, Qt::Key_R, 'r'},
    KeyEntry{0x10, Qt::Key_Y, 'y'},
    KeyEntry{0x11, Qt::Key_T, 't'},
    KeyEntry{0x12, Qt::Key_1, '1'},
    KeyEntry{0x13, Qt::Key_2, '2'},
    KeyEntry{0x14, Qt::Key_3, '3'},
    KeyEntry{0x15, Qt::Key_4, '4'},
    KeyEntry{0x16, Qt::Key_6, '6'},
    KeyEntry{0x17, Qt::Key_5, '5'},
    KeyEntry{0x18, Qt::Key_Equal, '='},
    KeyEntry{0x19, Qt::Key_9, '9'},
    KeyEntry{0x1A, Qt::Key_7, '7'},
    KeyEntry{0x1B, Qt::Key_Minus, '-'},
    KeyEntry{0x1C, Qt::Key_8, '8'},
    KeyEntry{0x1D, Qt::Key_0, '0'},
    KeyEntry{0x1E, Qt::Key_BracketRight, ']'},
    KeyEntry{0x1F, Qt::Key_O, 'o'},
    KeyEntry{0x20, Qt::Key_U, 'u'},
    KeyEntry{0x21, Qt::Key_BracketLeft, '['},
    KeyEntry{0x22, Qt::Key_I, 'i'},
    KeyEntry{0x23, Qt::Key_P, 'p'},
    KeyEntry{0x24, Qt::Key_Return, '\r'},
    KeyEntry{0x25, Qt::Key_L, 'l'},
    KeyEntry{0x26, Qt::Key_J, 'j'},
    KeyEntry{0x27, Qt::Key_Apostrophe, '\''},
    KeyEntry{0x28, Qt::Key_K, 'k'},
    KeyEntry{0x29, Qt::Key_Semicolon, ';'},
    KeyEntry{0x2A, Qt::Key_Backslash, '\\'},
    KeyEntry{0x2B, Qt::Key_Comma, ','},
    KeyEntry{0x2C, Qt::Key_Slash, '/'},
    KeyEntry{0x2D, Qt::Key_N, 'n'},
    KeyEntry{0x2E, Qt::Key_M, 'm'},
    KeyEntry{0x2F, Qt::Key_Period, '.'},
    KeyEntry{0x30, Qt::Key_Tab, '\t'},
    KeyEntry{0x31, Qt::Key_Space, ' '},
    KeyEntry{0x32, Qt::Key_QuoteLeft, '`'},
    KeyEntry{0x33, Qt::Key_Backspace, '\b'},
    KeyEntry{0x35, Qt::Key_Escape, '\x1b'},
    KeyEntry{0x36, Qt::Key_Control, 0},
    KeyEntry{0x37, Qt::Key_Control, 0},
    KeyEntry{0x38, Qt::Key_Shift, 0},
    KeyEntry{0x39, Qt::Key_CapsLock, 0},
    KeyEntry{0x3A, Qt::Key_Alt, 0},
    KeyEntry{0x3B, Qt::Key_Meta, 0},
    KeyEntry{0x3C, Qt::Key_Shift, 0},
    KeyEntry{0x3D, Qt::Key_Alt, 0},
    KeyEntry{0x3E, Qt::Key_Meta, 0},
    KeyEntry{0x7B, Qt::Key_Left, 0},
    KeyEntry{0x7C, Qt::Key_Right, 0},
    KeyEntry{0x7D, Qt::Key_Down, 0},
    KeyEntry{0x7E, Qt::Key_Up, 0},
};

const KeyEntry* entryFor(int keyCode)
{
    for (const auto& entry : keyTable)
        if (entry.code == keyCode) return &entry;
    return nullptr;
}

}  // namespace

Qt::KeyboardModifiers qtModifiers(std::uint64_t flags)
{
    namespace modifier = desktop::modifier;
    Qt::KeyboardModifiers result;
    if (flags & modifier::shift) result |= Qt::ShiftModifier;
    if (flags & modifier::command) result |= Qt::ControlModifier;
    if (flags & modifier::control) result |= Qt::MetaModifier;
    if (flags & modifier::option) result |= Qt::AltModifier;
    return result;
}

Qt::Key qtKey(int keyCode)
{
    const auto* entry = entryFor(keyCode);
    return entry ? entry->key : Qt::Key_unknown;
}

QString keyText(int keyCode, std::uint64_t modifierFlags)
{
    const auto* entry = entryFor(keyCode);
    if (!entry || entry->text == 0) return {};
    QString text(QChar::fromLatin1(entry->text));
    const bool letter = entry->text >= 'a' && entry->text <= 'z';
    if (letter && (modifierFlags & (desktop::modifier::shift | desktop::modifier::capsLock))) text = text.toUpper();
    return text;
}

}  // namespace ui
