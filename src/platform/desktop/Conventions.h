#pragma once

#include <string>

namespace desktop {

// How a desktop writes what its user reads, where desktops differ: key combinations and
// the words for the system, its settings and its places.
struct Conventions {
    enum class KeyNotation {
        symbols,  // ⌥⌘P, the hold key fn
        words,    // Alt+Super+P, the hold key Right Ctrl
    };
    KeyNotation keyNotation = KeyNotation::symbols;
    // The variant of the desktop variants table (resources/l10n/variants.tsv) whose texts
    // stand in for the main table's; empty where the main table's texts hold.
    std::string textVariant;
};

}  // namespace desktop
