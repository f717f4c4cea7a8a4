#include "platform/ui/StatusItem.h"

#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/WhileAlive.h"
#include "platform/ui/Menu.h"
#include "platform/ui/OpenAlerts.h"
#include "platform/ui/StatusItemButton.h"
#include "platform/ui/StatusItemTray.h"
#include "platform/ui/StatusItemTrayPresence.h"
#include "platform/ui/TitleBar.h"

#include <algorithm>

namespace ui {
namespace {

std::vector<StatusItem*>& registry()
{
    static std::vector<StatusItem*> items;
    return items;
}

// Followed while any item exists, for all of them.
std::unique_ptr<StatusItemTrayPresence>& trayPresence()
{
    static std::unique_ptr<StatusItemTrayPresence> presence;
    return presence;
}

// Icons the tray may destroy before the item stands in its own button: a tray that keeps
// destroying them would otherwise leave it docking for ever.
constexpr int trayIconsLostAtMost = 2;

}  // namespace

StatusItem::StatusItem()
{
    registry().push_back(this);
    if (hasWindowSystem() && !trayPresence())
        trayPresence() = std::make_unique<StatusItemTrayPresence>([] {
            for (StatusItem* item : registry()) item->followTray();
        });
    inSystemTray_ = trayPresence() && trayPresence()->present();
    view_ = makeView();
}

StatusItem::~StatusItem()
{
    std::erase(registry(), this);
    standIn_.reset();
    view_.reset();
    if (registry().empty()) trayPresence().reset();
}

std::shared_ptr<StatusItemView> StatusItem::makeView()
{
    if (inSystemTray_)
        return std::make_shared<StatusItemTray>(
            *this, trayPresence()->kind(), [this] { trayIconLost(); }, [this] { trayRefusedItem(); },
            [this](bool embedded) { trayEmbedding(embedded); });
    return std::make_shared<StatusItemButton>(*this);
}

void StatusItem::followTray()
{
    // Another tray, or the same one back, gets the icon again.
    trayIconsLost_ = 0;
    const bool inTray = trayPresence()->present();
    if (inTray == inSystemTray_) return;
    inSystemTray_ = inTray;  // which the line tells
    moveTo(inTray, *placementLine());
}

void StatusItem::moveTo(bool inSystemTray, const std::string& line)
{
    inSystemTray_ = inSystemTray;
    // The old views go first: a button leaves the strip to the new one.
    standIn_.reset();
    view_.reset();
    view_ = makeView();
    tellPlacement(line);
}

void StatusItem::trayIconLost()
{
    if (!inSystemTray_) return;
    const bool dockAgain = ++trayIconsLost_ <= trayIconsLostAtMost;
    moveTo(dockAgain, dockAgain ? "status item: system tray (docked again: the tray destroyed the icon)"
                                : "status item: own button (the tray keeps destroying the icon)");
}

void StatusItem::trayRefusedItem()
{
    if (inSystemTray_) moveTo(false, "status item: own button (the tray refused the item)");
}

void StatusItem::trayEmbedding(bool embedded)
{
    if (!inSystemTray_ || embedded == !standIn_) return;
    if (embedded) {
        standIn_.reset();
        tellPlacement("status item: system tray");
    } else {
        standIn_ = std::make_shared<StatusItemButton>(*this);
        tellPlacement("status item: own button (the tray did not embed the icon)");
    }
}

std::optional<std::string> StatusItem::placementLine() const
{
    if (!hasWindowSystem()) return std::nullopt;
    return inSystemTray_ ? "status item: system tray" : "status item: own button (no system tray)";
}

void StatusItem::setImage(std::optional<TemplateImage> image, core::Size pointSize)
{
    image_ = std::move(image);
    const bool sized = pointSize.width > 0 && pointSize.height > 0;
    imageSize_ = sized || !image_ ? pointSize : image_->naturalSize();
    contentChanged();
}

void StatusItem::setTitle(const std::string& title)
{
    title_ = title;
    contentChanged();
}

void StatusItem::setToolTip(const std::string& toolTip)
{
    toolTip_ = toolTip;
    contentChanged();
}

void StatusItem::contentChanged()
{
    view_->contentChanged();
    if (standIn_) standIn_->contentChanged();
}

core::Rect StatusItem::frame() const { return shownView()->frame(); }

void StatusItem::setMenu(Menu* menu) { menu_ = menu; }

void StatusItem::setContextMenu(QMenu* menu)
{
    contextMenu_ = menu;
    contentChanged();
}

Menu* StatusItem::menu() const { return menu_; }

bool StatusItem::performClick(std::function<void()> whenDone)
{
    if (!menu_ || bringOpenAlertForward()) {
        if (whenDone) dispatch::main().async(std::move(whenDone));
        return false;
    }
    const auto shown = shownView();
    shown->setHighlighted(true);
    const auto unhighlight =
        dispatch::whileAlive(std::weak_ptr(shown), [](StatusItemView& view) { view.setHighlighted(false); });
    return menu_->popUp(menuPoint(), [unhighlight, whenDone = std::move(whenDone)] {
        unhighlight();
        if (whenDone) whenDone();
    });
}

core::Point StatusItem::menuPoint() const
{
    const core::Rect place = frame();
    if (!place.isEmpty()) return core::Point(place.minX(), place.minY());
    // A tray that draws the icon itself (a StatusNotifierItem host) tells nothing of its
    // place: the click that reached us was under the pointer.
    return core::flipped(desktop::input().pointerLocation(), desktop::firstScreenHeight(desktop::displays()));
}

std::vector<StatusItem*> StatusItem::all() { return registry(); }

}  // namespace ui
