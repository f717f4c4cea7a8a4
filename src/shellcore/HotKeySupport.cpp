#include "shellcore/HotKeySupport.h"

#include "foundation/L10n.h"
#include "foundation/TranslationTable.h"
#include "platform/desktop/Desktop.h"

#include <algorithm>
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

// How desktops in one interface language write the keys a PC keyboard labels with words.
struct KeyWords {
    std::string control;
    std::string option;
    std::string shift;
    std::string command;
    std::map<int, std::string> keys;
    // The nine modifier keys by code; the hold key fn is the Right Ctrl held in its place,
    // since a PC keyboard has none.
    std::map<int, std::string> modifierKeys;
};

// The words of one column of the key-word table; the English words, its keys, for a column
// it lacks.
KeyWords wordsIn(const std::string& column)
{
    const TranslationTable& table = builtInKeyWords();
    const auto at = std::find(table.languages.begin(), table.languages.end(), column);
    const auto word = [&](const std::string& english) {
        const auto row = std::find_if(table.rows.begin(), table.rows.end(),
                                      [&](const TranslationTable::Row& r) { return r.key == english; });
        if (at == table.languages.end() || row == table.rows.end()) return english;
        return row->texts[static_cast<std::size_t>(at - table.languages.begin())];
    };
    KeyWords words{word("Ctrl"), word("Alt"), word("Shift"), word("Super"), keySymbols(), {}};
    for (const auto& [code, english] : std::map<int, std::string>{
             {36, "Enter"}, {48, "Tab"}, {51, "Backspace"}, {123, "Left"}, {124, "Right"}, {125, "Down"}, {126, "Up"}})
        words.keys[code] = word(english);
    for (const auto& [code, english] : std::map<int, std::string>{{58, "Left Alt"},
                                                                  {61, "Right Alt"},
                                                                  {55, "Left Super"},
                                                                  {54, "Right Super"},
                                                                  {59, "Left Ctrl"},
                                                                  {62, "Right Ctrl"},
                                                                  {56, "Left Shift"},
                                                                  {60, "Right Shift"},
                                                                  {63, "Right Ctrl"}})
        words.modifierKeys[code] = word(english);
    return words;
}

const KeyWords& englishWords()
{
    static const KeyWords words = wordsIn("");
    return words;
}

const KeyWords& wordsOf(ResolvedLang lang)
{
    static const std::array<KeyWords, 8> languages = [] {
        std::array<KeyWords, 8> result;
        for (std::size_t lang = 0; lang < result.size(); ++lang)
            result[lang] = wordsIn(L10n::columnCode(static_cast<ResolvedLang>(lang)));
        return result;
    }();
    return languages[static_cast<std::size_t>(lang)];
}

const std::map<int, std::string>& modifierSymbols()
{
    static const std::map<int, std::string> symbols{
        {58, "左⌥"}, {61, "右⌥"}, {55, "左⌘"}, {54, "右⌘"}, {59, "左⌃"},
        {62, "右⌃"}, {56, "左⇧"}, {60, "右⇧"}, {63, "fn"},
    };
    return symbols;
}

// The name in symbols, or in the given words.
std::string nameOf(int keyCode, int flags, const KeyWords* words)
{
    const auto& modifierKeys = words ? words->modifierKeys : modifierSymbols();
    if (const auto modifier = modifierKeys.find(keyCode); modifier != modifierKeys.end()) return modifier->second;

    struct Modifier {
        std::uint32_t mask;
        const char* symbol;
        std::string KeyWords::*word;
    };
    using namespace desktop::hotkeyModifier;
    static constexpr std::array<Modifier, 4> modifiers{{
        {control, "⌃", &KeyWords::control},
        {option, "⌥", &KeyWords::option},
        {shift, "⇧", &KeyWords::shift},
        {command, "⌘", &KeyWords::command},
    }};
    std::string text;
    for (const Modifier& modifier : modifiers)
        if (static_cast<std::uint32_t>(flags) & modifier.mask)
            text += words ? words->*modifier.word + "+" : modifier.symbol;
    if (const auto cap = desktop::keyCap(keyCode)) return text + *cap;
    const auto& names = words ? words->keys : keySymbols();
    const auto name = names.find(keyCode);
    return text + (name == names.end() ? "Key" + std::to_string(keyCode) : name->second);
}

// The words shown to the user; none where the desktop writes symbols.
const KeyWords* shownWords() { return inWords() ? &wordsOf(L10n::resolved()) : nullptr; }

}  // namespace

const std::map<int, std::string>& keyNames()
{
    const KeyWords* words = shownWords();
    return words ? words->keys : keySymbols();
}

const std::map<int, std::string>& modifierKeyNames()
{
    const KeyWords* words = shownWords();
    return words ? words->modifierKeys : modifierSymbols();
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

std::string displayName(int keyCode, int flags) { return nameOf(keyCode, flags, shownWords()); }

std::string logName(int keyCode, int flags) { return nameOf(keyCode, flags, inWords() ? &englishWords() : nullptr); }

std::string menuKeyEquivalentName(const std::string& key)
{
    const KeyWords* words = shownWords();
    return words ? words->control + "+" + key : std::string();
}

}  // namespace HotKeySupport
