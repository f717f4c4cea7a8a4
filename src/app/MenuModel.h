#pragma once

#include "platform/desktop/Capture.h"
#include "shellcore/Commands.h"
#include "update/UpdateInstaller.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// What the status menu shows, decided without any widget: the rows in order, their
// titles, looks and commands, and the width of the window rows. The Qt layer
// (StatusMenu) only turns this plan into menu items.
namespace app {

// The text that names the update row's state in the log ("idle", "available 1.2 build 7",
// "downloading 1.2 40%", ...).
std::string updateRowStateKey(const UpdatePhase& phase);

// How an item's title is drawn: plain, 13 pt medium in the accent colour (update rows
// that act), 13 pt regular red (missing permissions).
enum class MenuLook { plain, accent, red };

struct MenuEntry {
    enum class Kind {
        item,  // a command or an information row
        separator,
        header,     // the hint above the window rows (title, menu width)
        windowRow,  // window `window` of the list
        more,       // "更多" + title, with a submenu of the first `window` windows
    };
    Kind kind = Kind::item;
    std::string title;               // translated and formatted
    std::optional<Command> command;  // none for an information row
    bool enabled = true;
    MenuLook look = MenuLook::plain;
    bool commandComma = false;  // the settings item's key equivalent ⌘,
    std::size_t window = 0;     // windowRow: list index; more: number of submenu rows
};

// Width of a text as the menu font draws it, in points.
using TextMeasurer = std::function<double(const std::string&)>;

struct MenuInputs {
    UpdatePhase phase;
    bool isCheckingForUpdates = false;
    bool screenRecordingGranted = false;
    bool accessibilityTrusted = false;
    std::vector<desktop::ShareableWindow> windows;  // the cached list, in list order
    // Width of a window's cached thumbnail in points; none when nothing is cached.
    std::function<std::optional<double>(desktop::WindowID)> thumbnailWidth;
    std::size_t panelCount = 0;
    TextMeasurer measure;
};

struct MenuPlan {
    std::vector<MenuEntry> entries;
    double rowWidth = 300;  // header and every window row, inline or in the submenu
};

constexpr std::size_t menuWindowLimit = 60;
constexpr std::size_t menuInlineRows = 5;
constexpr double menuMinimumWidth = 300;
constexpr double menuMaximumWidth = 520;

MenuPlan planMenu(const MenuInputs& inputs);

// "App · Title" on one line, with the fallbacks for a missing application or title.
std::string menuRowLabel(const desktop::ShareableWindow& window);
// The same as the row draws it: application and title each isolated.
std::string menuRowShownLabel(const desktop::ShareableWindow& window);

// Whether the window rows of the fresh list differ from those of the shown one: other
// windows, another order or other labels.
bool windowRowsDiffer(const std::vector<desktop::ShareableWindow>& shown,
                      const std::vector<desktop::ShareableWindow>& fresh);

// Whether the fresh list holds the same windows as the shown one, in the same order.
bool sameWindowOrder(const std::vector<desktop::ShareableWindow>& shown,
                     const std::vector<desktop::ShareableWindow>& fresh);

// The width a window row needs for a label of the given text width next to a thumbnail
// of the given width (0 without one), clamped to the menu's bounds.
double naturalRowWidth(double textWidth, double thumbWidth);

// Keeps rebuilds away from an open menu: a rebuild asked for while the menu is open is
// remembered and becomes exactly one rebuild after it closes.
class MenuRebuildGate {
public:
    // Whether to rebuild now; false (and remembered) while the menu is open, unless forced.
    bool admit(bool force);
    void opened();
    // Whether a remembered rebuild is due now that the menu has closed.
    bool closed();
    bool isOpen() const { return open_; }
    bool isDirty() const { return dirty_; }

private:
    bool open_ = false;
    bool dirty_ = false;
};

}  // namespace app
