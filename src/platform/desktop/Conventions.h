#pragma once

#include <string>

namespace desktop {

// How a desktop writes what its user reads, where desktops differ: key combinations, the
// words for the system, its settings and its places, and the look of its furniture.
struct Conventions {
    enum class KeyNotation {
        symbols,  // ⌥⌘P, the hold key fn
        words,    // Alt+Super+P, the hold key Right Ctrl
    };
    KeyNotation keyNotation = KeyNotation::symbols;
    // The variant of the desktop variants table (resources/l10n/variants.tsv) whose texts
    // stand in for the main table's; empty where the main table's texts hold.
    std::string textVariant;
    // What pictures of this desktop (the guide's mock desktop) show around the windows.
    enum class Furniture {
        menuBarAndDock,   // a menu bar with a notch, a Dock, coloured window buttons
        panelAndTaskBar,  // a top panel with a tray, a bottom task bar, a close glyph
    };
    Furniture furniture = Furniture::menuBarAndDock;
};

}  // namespace desktop
