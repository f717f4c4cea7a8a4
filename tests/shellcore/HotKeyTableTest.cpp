#include "shellcore/HotKeySupport.h"
#include "shellcore/HotKeyTable.h"

#include "foundation/L10n.h"
#include "platform/defaults/Defaults.h"
#include "platform/desktop/Desktop.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using app::HotKeyCombination;

TEST(HotKeySupportTest, NamesCombinationsInControlOptionShiftCommandOrder)
{
    EXPECT_EQ(HotKeySupport::displayName(35, 0x1B00), "⌃⌥⇧⌘P");
    EXPECT_EQ(HotKeySupport::displayName(49, 0x100), "⌘Space");
    EXPECT_EQ(HotKeySupport::displayName(10, 0x900), "⌥⌘Key10");
    EXPECT_EQ(HotKeySupport::displayName(50, 0x1000), "⌃`");
    EXPECT_EQ(HotKeySupport::displayName(42, 0), "\\");
    // A modifier key is named alone, whatever the flags.
    EXPECT_EQ(HotKeySupport::displayName(58, 0x900), "左⌥");
    EXPECT_EQ(HotKeySupport::displayName(63, 0), "fn");

    EXPECT_EQ(HotKeySupport::keyNames().size(), 67u);
    EXPECT_FALSE(HotKeySupport::keyNames().count(10));
    EXPECT_FALSE(HotKeySupport::keyNames().count(57));
    EXPECT_EQ(HotKeySupport::modifierKeyNames().size(), 9u);
    EXPECT_EQ(HotKeySupport::holdableModifierFlags().size(), 9u);
    EXPECT_FALSE(HotKeySupport::holdableModifierFlags().count(57));  // caps lock cannot be held
}

// A desktop that writes keys in words: modifiers spelled out and joined by "+" in the order
// Ctrl, Alt, Shift, Super, the keys a PC keyboard labels with words, and each modifier key
// named by its side; fn, which such a keyboard lacks, is the Right Ctrl held in its place.
TEST(HotKeySupportTest, InWordsCombinationsReadAsLinuxDesktopsWriteThem)
{
    auto wordsDesktop = std::make_shared<desktop::Desktop>();
    wordsDesktop->conventions.keyNotation = desktop::Conventions::KeyNotation::words;
    desktop::install(wordsDesktop);

    EXPECT_EQ(HotKeySupport::displayName(35, 0x900), "Alt+Super+P");
    EXPECT_EQ(HotKeySupport::displayName(35, 0x1B00), "Ctrl+Alt+Shift+Super+P");
    EXPECT_EQ(HotKeySupport::displayName(49, 0x100), "Super+Space");
    EXPECT_EQ(HotKeySupport::displayName(10, 0x900), "Alt+Super+Key10");
    EXPECT_EQ(HotKeySupport::displayName(36, 0x1000), "Ctrl+Enter");
    EXPECT_EQ(HotKeySupport::displayName(123, 0x200), "Shift+Left");
    EXPECT_EQ(HotKeySupport::displayName(51, 0), "Backspace");
    EXPECT_EQ(HotKeySupport::displayName(42, 0), "\\");
    EXPECT_EQ(HotKeySupport::displayName(58, 0x900), "Left Alt");
    EXPECT_EQ(HotKeySupport::displayName(54, 0), "Right Super");
    EXPECT_EQ(HotKeySupport::displayName(56, 0), "Left Shift");
    EXPECT_EQ(HotKeySupport::displayName(63, 0), "Right Ctrl");
    EXPECT_EQ(HotKeySupport::keyNames().size(), 67u);
    EXPECT_EQ(HotKeySupport::modifierKeyNames().size(), 9u);

    std::vector<std::string> shown;
    for (const auto& spec : app::hotkeySpecs())
        shown.push_back(HotKeySupport::displayName(spec.defaultCode, spec.defaultFlags));
    EXPECT_EQ(shown, (std::vector<std::string>{"Alt+Super+P", "Alt+Super+M", "Alt+Super+B", "Right Ctrl", "Alt+Super+W",
                                               "Alt+Super+T", "Alt+Super+F", "Alt+Super+R"}));
    desktop::install(nullptr);
}

// The interface language is a setting, kept in a folder of the test's own.
using HotKeyLanguageTest = testsupport::VirtualTimeTest;

// Shown words are those desktops in the interface language write; the log keeps English
// ones, and a desktop that writes symbols writes the same in every language.
TEST_F(HotKeyLanguageTest, ShownWordsFollowTheInterfaceLanguageAndTheLogKeepsEnglish)
{
    auto wordsDesktop = std::make_shared<desktop::Desktop>();
    wordsDesktop->conventions.keyNotation = desktop::Conventions::KeyNotation::words;
    desktop::install(wordsDesktop);
    const auto speak = [](AppLang::Value language) { defaults::Defaults::standard().set("appLanguage", language); };

    speak(AppLang::de);
    EXPECT_EQ(HotKeySupport::displayName(35, 0x1B00), "Strg+Alt+Umschalt+Super+P");
    EXPECT_EQ(HotKeySupport::displayName(51, 0x1000), "Strg+Rücktaste");
    EXPECT_EQ(HotKeySupport::displayName(63, 0), "Strg rechts");
    EXPECT_EQ(HotKeySupport::displayName(56, 0), "Umschalt links");
    EXPECT_EQ(HotKeySupport::displayName(35, 0x900), "Alt+Super+P");
    EXPECT_EQ(HotKeySupport::keyNames().at(51), "Rücktaste");
    EXPECT_EQ(HotKeySupport::modifierKeyNames().at(62), "Strg rechts");
    EXPECT_EQ(HotKeySupport::logName(35, 0x1B00), "Ctrl+Alt+Shift+Super+P");
    EXPECT_EQ(HotKeySupport::logName(63, 0), "Right Ctrl");
    EXPECT_EQ(HotKeySupport::logName(51, 0), "Backspace");

    EXPECT_EQ(HotKeySupport::menuKeyEquivalentName(","), "Strg+,");

    speak(AppLang::fr);
    EXPECT_EQ(HotKeySupport::menuKeyEquivalentName(","), "Ctrl+,");
    EXPECT_EQ(HotKeySupport::displayName(35, 0x1200), "Ctrl+Maj+P");
    EXPECT_EQ(HotKeySupport::displayName(51, 0), "Retour arrière");
    EXPECT_EQ(HotKeySupport::displayName(63, 0), "Ctrl droit");
    EXPECT_EQ(HotKeySupport::displayName(60, 0), "Maj droite");

    speak(AppLang::es);
    EXPECT_EQ(HotKeySupport::displayName(35, 0x1200), "Ctrl+Mayús+P");
    EXPECT_EQ(HotKeySupport::displayName(51, 0), "Retroceso");
    EXPECT_EQ(HotKeySupport::displayName(63, 0), "Ctrl derecho");

    for (const AppLang::Value english : {AppLang::en, AppLang::ja, AppLang::ko, AppLang::zhHans, AppLang::zhHant}) {
        speak(english);
        EXPECT_EQ(HotKeySupport::displayName(35, 0x1B00), "Ctrl+Alt+Shift+Super+P") << english;
        EXPECT_EQ(HotKeySupport::displayName(63, 0), "Right Ctrl") << english;
    }

    desktop::install(nullptr);
    speak(AppLang::de);
    EXPECT_EQ(HotKeySupport::displayName(35, 0x1B00), "⌃⌥⇧⌘P");
    EXPECT_EQ(HotKeySupport::logName(35, 0x1B00), "⌃⌥⇧⌘P");
    EXPECT_EQ(HotKeySupport::displayName(63, 0), "fn");
    EXPECT_EQ(HotKeySupport::menuKeyEquivalentName(","), "") << "the menu keeps the toolkit's text";
}

TEST(HotKeySupportTest, CarbonMaskOfModifierKeysOnlyForCodes54To62)
{
    EXPECT_EQ(HotKeySupport::carbonMask(54), 0x100);
    EXPECT_EQ(HotKeySupport::carbonMask(56), 0x200);
    EXPECT_EQ(HotKeySupport::carbonMask(61), 0x800);
    EXPECT_EQ(HotKeySupport::carbonMask(62), 0x1000);
    EXPECT_EQ(HotKeySupport::carbonMask(57), 0);
    EXPECT_EQ(HotKeySupport::carbonMask(63), 0);
    EXPECT_EQ(HotKeySupport::carbonMask(35), 0);
}

TEST(HotKeyTableTest, EightRowsInRegistrationOrderWithTheirDefaults)
{
    const auto& specs = app::hotkeySpecs();

    std::vector<int> ids;
    std::vector<std::string> shown;
    for (const auto& spec : specs) {
        ids.push_back(spec.id);
        shown.push_back(HotKeySupport::displayName(spec.defaultCode, spec.defaultFlags));
        EXPECT_EQ(spec.isHold, spec.keyPrefix == "holdHideHotKey");
        EXPECT_EQ(spec.command.has_value(), !spec.isHold);
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 3, 2, 8, 4, 5, 6, 7}));
    EXPECT_EQ(shown, (std::vector<std::string>{"⌥⌘P", "⌥⌘M", "⌥⌘B", "fn", "⌥⌘W", "⌥⌘T", "⌥⌘F", "⌥⌘R"}));

    const auto tile = app::hotkeySpec(specs, "tileAllHotKey");
    ASSERT_TRUE(tile);
    EXPECT_EQ(tile->settings().code.key, "tileAllHotKeyCode");
    EXPECT_EQ(tile->settings().flags.key, "tileAllHotKeyFlags");
    EXPECT_EQ(tile->command, app::Command::tileAll);
    EXPECT_FALSE(app::hotkeySpec(specs, "tileAll"));
    // A row whose prefix the settings table lacks could neither read nor store its keys.
    for (const auto& spec : specs) EXPECT_TRUE(defaults::setting::hotKey(spec.keyPrefix)) << spec.keyPrefix;
}

TEST(HotKeyTableTest, StoredValuesOutsideTheKeyRangeOrWithForeignBitsFallBackEachOnItsOwn)
{
    const auto spec = *app::hotkeySpec(app::hotkeySpecs(), "captureHotKey");
    const HotKeyCombination byDefault{35, 0x900};

    EXPECT_EQ(app::resolveCombination(spec, std::nullopt, std::nullopt), byDefault);
    EXPECT_EQ(app::resolveCombination(spec, 12, 0x1100), (HotKeyCombination{12, 0x1100}));
    // Edges of the key range.
    EXPECT_EQ(app::resolveCombination(spec, 0, std::nullopt), (HotKeyCombination{0, 0x900}));
    EXPECT_EQ(app::resolveCombination(spec, 127, std::nullopt), (HotKeyCombination{127, 0x900}));
    EXPECT_EQ(app::resolveCombination(spec, 128, std::nullopt), byDefault);
    EXPECT_EQ(app::resolveCombination(spec, -1, std::nullopt), byDefault);
    EXPECT_EQ(app::resolveCombination(spec, 1LL << 40, std::nullopt), byDefault);
    // No modifier at all is a valid mask; any other bit is not.
    EXPECT_EQ(app::resolveCombination(spec, 12, 0), (HotKeyCombination{12, 0}));
    EXPECT_EQ(app::resolveCombination(spec, 12, 0x900 | 0x80000), (HotKeyCombination{12, 0x900}));
    EXPECT_EQ(app::resolveCombination(spec, 12, 0x400), (HotKeyCombination{12, 0x900}));
    EXPECT_EQ(app::resolveCombination(spec, 12, -0x100), (HotKeyCombination{12, 0x900}));
    EXPECT_EQ(app::resolveCombination(spec, 300, 0x1000), (HotKeyCombination{35, 0x1000}));
}

}  // namespace
