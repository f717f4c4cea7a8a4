#include "shellcore/HotKeySupport.h"

#include "platform/desktop/Desktop.h"

#include <array>

namespace HotKeySupport {

namespace {

bool inWords() { return desktop::conventions().keyNotation == desktop::Conventions::KeyNotation::words; }

const std::map<int, std::string>& keySymbols()
{
    static const std::map<int, std::string> names{
        {0, "A"},     {1, "S"},      {2, "D"},     {3, "F"},   {4, "H"},   {5, "G"},   {6, "Z"},    {7, "X"},
        {8, "C"},     {9, "V"},      {11, "B"},    {12, "Q"},  {13, "W"},  {14, "E"},  {15, "R"},   {16, "Y"},
        {17, "T"},    {31, "O"},     {32, "U"},    {34, "I"},  {35, "P"},  {37, "L"},  {38, "J"},   {40, "K"},
        {45, "N"},    {46, "M"},     {18, "1"},    {19, "2"},  {20, "3"},  {21, "4"},  {22, "6"},   {23, "5"},
        {26, "7"},    {28, "8"},     {25, "9"},    {29, "0"},  {27, "-"},  {24, "="},  {33, "["},   {30, "]"},
        {39, "'"},    {41, ";"},     {42, "\\"},   {43, ","},  {44, "/"},  {47, "."},  {50, "`"},   {36, "↩"},
        {48, "⇥"},    {49, "Space"}, {51, "⌫"},    {123, "←"}, {124, "→"}, {125, "↓"}, {126, "↑"},  {122, "F1"},
        {120, "F2"},  {99, "F3"},    {118, "F4"},  {96, "F5"}, {97, "F6"}, {98, "F7"}, {100, "F8"}, {101, "F9"},
        {109, "F10"}, {103, "F11"},  {111, "F12"},
    };
    return names;
}

// The keys a PC keyboard labels with words; the rest as in symbols.
const std::map<int, std::string>& keyWords()
{
    static const std::map<int, std::string> names = [] {
        std::map<int, std::string> words = keySymbols();
        for (const auto& [code, word] : std::map<int, std::string>{{36, "Enter"},
                                                                   {48, "Tab"},
                                                                   {51, "Backspace"},
                                                                   {123, "Left"},
                                                                   {124, "Right"},
                                                                   {125, "Down"},
                                                                   {126, "Up"}})
            words[code] = word;
        return words;
    }();
    return names;
}

}  // namespace

const std::map<int, std::string>& keyNames() { return inWords() ? keyWords() : keySymbols(); }

const std::map<int, std::string>& modifierKeyNames()
{
    static const std::map<int, std::string> symbols{
        {58, "左⌥"}, {61, "右⌥"}, {55, "左⌘"}, {54, "右⌘"}, {59, "左⌃"},
        {62, "右⌃"}, {56, "左⇧"}, {60, "右⇧"}, {63, "fn"},
    };
    // A PC keyboard has no fn: Right Ctrl is held in its place.
    static const std::map<int, std::string> words{
        {58, "Left Alt"},   {61, "Right Alt"},  {55, "Left Super"},  {54, "Right Super"}, {59, "Left Ctrl"},
        {62, "Right Ctrl"}, {56, "Left Shift"}, {60, "Right Shift"}, {63, "Right Ctrl"},
    };
    return inWords() ? words : symbols;
}

const std::map<int, std::uint64_t>& holdableModifierFlags()
{
    using namespace desktop::modifier;
    static const std::map<int, std::uint64_t> flags{
        {58, option},  {61, option}, {55, command}, {54, command},  {59, control},
        {62, control}, {56, shift},  {60, shift},   {63, function},
    };
    return flags;
}

int carbonMask(int modifierKeyCode)
{
    using namespace desktop::hotkeyModifier;
    static const std::map<int, int> masks{
        {54, command}, {55, command}, {56, shift},  {57, 0},       {58, option},
        {59, control}, {60, shift},   {61, option}, {62, control},
    };
    const auto it = masks.find(modifierKeyCode);
    return it == masks.end() ? 0 : it->second;
}

std::string displayName(int keyCode, int flags)
{
    if (const auto modifier = modifierKeyNames().find(keyCode); modifier != modifierKeyNames().end())
        return modifier->second;

    struct Modifier {
        std::uint32_t mask;
        const char* symbol;
        const char* word;
    };
    using namespace desktop::hotkeyModifier;
    static constexpr std::array<Modifier, 4> modifiers{{
        {control, "⌃", "Ctrl+"},
        {option, "⌥", "Alt+"},
        {shift, "⇧", "Shift+"},
        {command, "⌘", "Super+"},
    }};
    const bool words = inWords();
    std::string text;
    for (const Modifier& modifier : modifiers)
        if (static_cast<std::uint32_t>(flags) & modifier.mask) text += words ? modifier.word : modifier.symbol;
    const auto name = keyNames().find(keyCode);
    return text + (name == keyNames().end() ? "Key" + std::to_string(keyCode) : name->second);
}

}  // namespace HotKeySupport
