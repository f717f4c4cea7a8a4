#include "app/StatusMenu.h"

#include "app/MenuHeaderView.h"
#include "app/MenuThumbnail.h"
#include "app/MenuWindowRow.h"
#include "app/StatusMenuPlain.h"
#include "capture/Catalog.h"
#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "panels/PipPanel.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "shellcore/HotKeySupport.h"
#include "update/AppUpdate.h"
#include "update/UpdateInstaller.h"

namespace app {

namespace {

using Run = ui::TitleRun;

void applyLook(ui::MenuItem& item, const std::string& title, MenuLook look)
{
    if (look == MenuLook::accent) item.setStyledTitle({Run{title, Run::Weight::medium, Run::Color::accent}});
    if (look == MenuLook::red) item.setStyledTitle({Run{title, Run::Weight::regular, Run::Color::red}});
}

}  // namespace

StatusMenu::StatusMenu(Host host) : host_(std::move(host))
{
    menu_.onNeedsUpdate = [this] { menuNeedsUpdate(); };
    menu_.onWillOpen = [this] { menuWillOpen(); };
    menu_.onClosed = [this] { menuDidClose(); };
}

StatusMenu::~StatusMenu()
{
    menu_.onNeedsUpdate = nullptr;
    menu_.onWillOpen = nullptr;
    menu_.onClosed = nullptr;
}

MenuInputs StatusMenu::readInputs() const
{
    MenuInputs in;
    in.phase = UpdateInstaller::phase();
    in.isCheckingForUpdates = AppUpdate::isChecking();
    in.screenRecordingGranted = desktop::permissions().screenCapturePreflight() && !catalogRefused_;
    in.accessibilityTrusted = desktop::accessibility().isTrusted(false);
    in.windows = cachedWindows_;
    in.thumbnailWidth = [](desktop::WindowID id) -> std::optional<double> {
        const auto image = MenuThumbnail::cached(id);
        if (!image) return std::nullopt;
        return image->deviceIndependentSize().width();
    };
    in.panelCount = host_.panelCount ? host_.panelCount() : PipPanel::all().size();
    in.measure = MenuWindowRow::measureLabel;
    return in;
}

void StatusMenu::rebuildMenu(bool force)
{
    if (!gate_.admit(force)) return;
    menu_.retireAllItems();
    windowRows_.clear();
    const MenuInputs inputs = readInputs();
    const std::string key = updateRowStateKey(inputs.phase);
    if (lastLoggedUpdateRowState_ != key) {
        Diag::log("菜单: 更新相关行 = " + key);
        lastLoggedUpdateRowState_ = key;
    }
    const MenuPlan plan = planMenu(inputs);
    const auto rowFor = [&](ui::Menu& owner, std::size_t index) {
        const auto& window = cachedWindows_[index];
        auto* row = new MenuWindowRow(menuRowLabel(window), menuRowShownLabel(window),
                                      MenuThumbnail::cached(window.windowID).value_or(QImage()));
        row->setRowWidth(plan.rowWidth);
        row->cancelTracking = [&owner] { owner.cancelTracking(); };
        row->onPick = lifetime_.guard([window](StatusMenu& self) { self.pick(window); });
        row->onFocus = lifetime_.guard([window](StatusMenu& self) {
            if (self.host_.beginFocusOnWindow) self.host_.beginFocusOnWindow(window);
        });
        owner.addCustomRow(row, row->title());
        windowRows_.push_back({index, row, &owner});
    };

    for (const auto& entry : plan.entries) {
        switch (entry.kind) {
        case MenuEntry::Kind::separator: menu_.addSeparator(); break;
        case MenuEntry::Kind::header:
            menu_.addCustomRow(new MenuHeaderView(entry.title, plan.rowWidth), entry.title);
            break;
        case MenuEntry::Kind::windowRow: rowFor(menu_, entry.window); break;
        case MenuEntry::Kind::more: {
            ui::Menu& submenu = menu_.addSubmenu(entry.title);
            auto item = submenu.supermenuItem();
            item.setStyledTitle({Run{L10n::t("更多"), Run::Weight::bold}, Run{entry.title}});
            for (std::size_t i = 0; i < entry.window; ++i) rowFor(submenu, i);
            break;
        }
        case MenuEntry::Kind::item: {
            std::function<void()> run;
            if (entry.command) {
                run = lifetime_.guard([command = *entry.command](StatusMenu& self) {
                    if (self.host_.perform) self.host_.perform(command);
                });
            }
            auto item = menu_.addItem(entry.title, std::move(run));
            item.setEnabled(entry.enabled);
            applyLook(item, entry.title, entry.look);
            if (entry.commandComma) item.setKeyEquivalent(",", HotKeySupport::menuKeyEquivalentName(","));
            break;
        }
        }
    }
    menu_.removeRetiredItems();
    refillPlainMenu(plan);
}

void StatusMenu::pick(const desktop::ShareableWindow& window)
{
    if (host_.createPanel) host_.createPanel(window, panels::FocusRegion{}, "菜单·窗口列表选中");
}

void StatusMenu::refillPlainMenu(const MenuPlan& plan)
{
    PlainMenuActions actions;
    actions.pick = lifetime_.guard([](StatusMenu& self, const desktop::ShareableWindow& window) { self.pick(window); });
    actions.perform = lifetime_.guard([](StatusMenu& self, Command command) {
        if (self.host_.perform) self.host_.perform(command);
    });
    fillPlainMenu(plainMenu_, plan, cachedWindows_, actions);
}

void StatusMenu::refreshPlainMenu() { refillPlainMenu(planMenu(readInputs())); }

void StatusMenu::menuNeedsUpdate()
{
    menuOpenedAt_ = dispatch::now();
    rebuildMenu(true);
    if (desktop::permissions().screenCapturePreflight()) fetch(true);
}

void StatusMenu::menuWillOpen()
{
    gate_.opened();
    MenuWindowRow::clearHoverOfAllRows();
}

void StatusMenu::menuDidClose()
{
    const bool due = gate_.closed();
    MenuWindowRow::clearHoverOfAllRows();
    if (!due) return;
    dispatch::main().async(lifetime_.guard([](StatusMenu& self) { self.rebuildMenu(false); }));
}

void StatusMenu::refreshCache(bool warmThumbs) { fetch(warmThumbs); }

void StatusMenu::fetch(bool warmThumbs)
{
    const auto store = lifetime_.guard([warmThumbs](StatusMenu& self, Catalog::Listing listing) {
        self.storeListing(std::move(listing), warmThumbs);
    });
    Catalog::list([store](Catalog::Listing listing) {
        dispatch::main().async([store, listing = std::move(listing)]() mutable { store(std::move(listing)); });
    });
}

// A failed query says nothing about the windows, so the list it would empty is kept; a
// refusal also shows the permission row until a query succeeds again.
void StatusMenu::storeListing(Catalog::Listing listing, bool warmThumbs)
{
    if (listing.failure) {
        if (*listing.failure == Catalog::Failure::notPermitted) catalogRefused_ = true;
        return;
    }
    catalogRefused_ = false;
    const bool rowsChanged = windowRowsDiffer(cachedWindows_, listing.windows);
    const bool sameWindows = sameWindowOrder(cachedWindows_, listing.windows);
    cachedWindows_ = std::move(listing.windows);
    if (warmThumbs) MenuThumbnail::warm(cachedWindows_, false);
    if (rowsChanged) refreshPlainMenu();
    // The open menu was built from an older list: a window opened since shows at once.
    if (!rowsChanged || !gate_.isOpen()) return;
    // Windows that only retitled themselves (terminals, players, progress dialogs) do so
    // all the time: their rows are retitled in place rather than rebuilt.
    if (sameWindows) {
        retitleRows();
    } else {
        rebuildMenu(true);
    }
}

void StatusMenu::retitleRows()
{
    for (const auto& shown : windowRows_) {
        if (!shown.row || shown.window >= cachedWindows_.size()) continue;
        const auto& window = cachedWindows_[shown.window];
        shown.row->retitle(menuRowLabel(window), menuRowShownLabel(window));
        shown.owner->describeCustomRow(*shown.row, shown.row->title());
    }
}

}  // namespace app
