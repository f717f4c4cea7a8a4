#include "platform/ui/Menu.h"

#include "platform/desktop/Desktop.h"
#include "platform/desktop/GlobalSpace.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/WhileAlive.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/LiteralText.h"
#include "platform/ui/MenuWidget.h"
#include "platform/ui/ShownWidgetRegistration.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QKeySequence>
#include <QWidgetAction>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

namespace ui {
namespace {

// Qt makes one empty screen when the server reports no monitor.
bool qtHasNoScreen()
{
    const auto screens = QGuiApplication::screens();
    return std::none_of(screens.begin(), screens.end(), [](const QScreen* screen) { return !screen->geometry().isEmpty(); });
}

// In the order they opened: the front-most last.
std::vector<Menu*>& openStack()
{
    static std::vector<Menu*> menus;
    return menus;
}

void forget(Menu* menu) { std::erase(openStack(), menu); }

bool isCustomRow(const QAction& action)
{
    const auto* widgetAction = qobject_cast<const QWidgetAction*>(&action);
    return widgetAction && widgetAction->defaultWidget();
}

QString itemText(const std::string& title) { return literalText(oneLine(title)); }

// What a listing calls the entry, and what chooseInFrontMenu matches.
std::string entryText(const QAction& action)
{
    return isCustomRow(action) ? MenuWidget::description(action) : writtenText(action.text());
}

// The work area of the display that holds the point (the main display's when none does),
// in Qt's global coordinates.
std::optional<QRect> workArea(QPoint qtGlobal)
{
    const core::Point origin = desktop::globalSpace().qtOrigin();
    auto& displays = desktop::displays();
    auto display = displays.displayAt(core::Point(qtGlobal.x() - origin.x, qtGlobal.y() - origin.y));
    if (!display) display = displays.mainDisplayID();
    const auto info = display ? displays.display(*display) : std::nullopt;
    if (!info) return std::nullopt;
    return roundedRect(info->visibleFrame).translated(int(std::lround(origin.x)), int(std::lround(origin.y)));
}

void postMainQueue(std::vector<std::function<void()>> tasks)
{
    for (auto& task : tasks)
        if (task) dispatch::main().async(std::move(task));
}

}  // namespace

struct MenuItem::Record {
    QPointer<QAction> action;
    std::function<void()> callback;
    std::string title;
    long tag = 0;
};

std::string MenuItem::title() const { return record_ && record_->action ? record_->title : std::string(); }

void MenuItem::setTitle(const std::string& title)
{
    auto* action = qtAction();
    if (!action) return;
    record_->title = title;
    if (!MenuWidget::styledTitle(*action)) action->setText(itemText(title));
}

void MenuItem::setStyledTitle(const StyledTitle& title)
{
    if (auto* action = qtAction()) MenuWidget::setStyledTitle(*action, title);
}

std::string MenuItem::shownTitle() const { return qtAction() ? writtenText(qtAction()->text()) : std::string(); }

void MenuItem::setKeyEquivalent(const std::string& key, const std::string& shown)
{
    auto* action = qtAction();
    if (!action) return;
    action->setShortcut(key.empty() ? QKeySequence()
                                    : QKeySequence(QStringLiteral("Ctrl+") + QString::fromStdString(key)));
    MenuWidget::setKeyEquivalentText(*action, key.empty() ? std::string() : shown);
}

std::string MenuItem::keyEquivalent() const
{
    const auto* action = qtAction();
    if (!action || action->shortcut().isEmpty()) return {};
    const auto combination = action->shortcut()[0];
    return QKeySequence(combination.key()).toString().toStdString();
}

std::string MenuItem::shownKeyEquivalent() const
{
    const auto* action = qtAction();
    return action ? MenuWidget::keyEquivalentText(*action) : std::string();
}

bool MenuItem::isEnabled() const { return qtAction() && qtAction()->isEnabled(); }

void MenuItem::setEnabled(bool enabled)
{
    if (auto* action = qtAction()) action->setEnabled(enabled);
}

bool MenuItem::isChecked() const { return qtAction() && qtAction()->isChecked(); }

void MenuItem::setChecked(bool checked)
{
    if (auto* action = qtAction()) {
        action->setCheckable(true);
        action->setChecked(checked);
    }
}

long MenuItem::tag() const { return record_ ? record_->tag : 0; }

void MenuItem::setTag(long tag)
{
    if (record_) record_->tag = tag;
}

void MenuItem::setToolTip(const std::string& toolTip)
{
    if (auto* action = qtAction()) action->setToolTip(plainToolTip(toolTip));
}

void MenuItem::setAction(std::function<void()> action)
{
    if (record_) record_->callback = std::move(action);
}

QAction* MenuItem::qtAction() const { return record_ ? record_->action.data() : nullptr; }

Menu::Menu() : menu_(new MenuWidget), connections_(std::make_unique<QObject>())
{
    menu_->setToolTipsVisible(true);
    menu_->closeAll = [this] { cancelTracking(); };
    menu_->onShownOrResized = [this] { placeOnDesktop(); };
    new ShownWidgetRegistration(*menu_, desktop::level::popUpMenu);  // a child of the menu
    QObject::connect(menu_, &QMenu::aboutToShow, connections_.get(), [this] { opened(); });
    QObject::connect(menu_, &QMenu::aboutToHide, connections_.get(), [this] { closed(); });
}

Menu::~Menu()
{
    connections_.reset();
    submenus_.clear();
    forget(this);
    postMainQueue(std::exchange(whenClosed_, {}));
    if (menu_) {
        menu_->closeAll = nullptr;
        menu_->onShownOrResized = nullptr;
        menu_->hide();
        menu_->deleteLater();
    }
}

QMenu& Menu::qtMenu() const { return *menu_; }

void Menu::opened()
{
    if (auto callback = onNeedsUpdate) callback();
    forget(this);
    openStack().push_back(this);
    if (auto callback = onWillOpen) callback();
}

void Menu::closed()
{
    forget(this);
    postMainQueue(std::exchange(whenClosed_, {}));
    if (auto callback = onClosed) callback();
}

void Menu::watch(QAction* action, const std::shared_ptr<MenuItem::Record>& record)
{
    const auto post = dispatch::whileAlive(std::weak_ptr<MenuItem::Record>(record), [](MenuItem::Record& chosen) {
        if (chosen.callback) dispatch::main().async(chosen.callback);
    });
    QObject::connect(action, &QAction::triggered, connections_.get(), [post] { post(); });
}

MenuItem Menu::addItem(const std::string& title, std::function<void()> action)
{
    auto record = std::make_shared<MenuItem::Record>();
    record->action = menu_->addAction(itemText(title));
    record->callback = std::move(action);
    record->title = title;
    watch(record->action, record);
    records_.push_back(record);
    return MenuItem(record);
}

void Menu::addSeparator() { menu_->addSeparator(); }

Menu& Menu::addSubmenu(const std::string& title)
{
    auto submenu = std::make_unique<Menu>();
    submenu->supermenu_ = this;
    submenu->menu_->setTitle(itemText(title));
    submenu->supermenuRecord_ = std::make_shared<MenuItem::Record>();
    submenu->supermenuRecord_->action = menu_->addMenu(submenu->menu_);
    submenu->supermenuRecord_->title = title;
    submenus_.push_back(std::move(submenu));
    return *submenus_.back();
}

MenuItem Menu::supermenuItem() const { return MenuItem(supermenuRecord_); }

void Menu::addCustomRow(QWidget* row, const std::string& description)
{
    auto* action = new QWidgetAction(menu_);
    action->setDefaultWidget(row);
    MenuWidget::setDescription(*action, description);
    menu_->addAction(action);
}

void Menu::describeCustomRow(const QWidget& row, const std::string& description)
{
    for (QAction* action : menu_->actions())
        if (const auto* widgetAction = qobject_cast<QWidgetAction*>(action); widgetAction && widgetAction->defaultWidget() == &row)
            MenuWidget::setDescription(*action, description);
}

void Menu::removeAllItems()
{
    retireAllItems();
    removeRetiredItems();
}

void Menu::retireAllItems()
{
    for (QAction* action : menu_->actions()) retired_.emplace_back(action);
    std::move(records_.begin(), records_.end(), std::back_inserter(retiredRecords_));
    records_.clear();
    std::move(submenus_.begin(), submenus_.end(), std::back_inserter(retiredSubmenus_));
    submenus_.clear();
}

void Menu::removeRetiredItems()
{
    for (const QPointer<QAction>& action : std::exchange(retired_, {})) {
        if (!action) continue;
        menu_->removeAction(action);
        // As QMenu::clear does: the menu's own actions go with their rows.
        if (action->parent() == menu_ && action->associatedObjects().isEmpty()) delete action.data();
    }
    retiredRecords_.clear();
    retiredSubmenus_.clear();
}

std::vector<MenuItem> Menu::items() const
{
    std::vector<MenuItem> result;
    for (const auto& record : records_)
        if (record->action) result.emplace_back(record);
    return result;
}

bool Menu::popUp(core::Point screenPoint, std::function<void()> whenClosed)
{
    const bool wasOpen = isOpen();
    if (!wasOpen) popUp(screenPoint);
    if (wasOpen || !isOpen()) {
        postMainQueue({std::move(whenClosed)});
        return false;
    }
    whenClosed_.push_back(std::move(whenClosed));
    return true;
}

void Menu::popUp(core::Point screenPoint) { showAt(qtGlobalPoint(screenPoint).toPoint()); }

void Menu::showAt(QPoint qtGlobal)
{
    requestedPoint_ = qtGlobal;
    if (!qtHasNoScreen()) {
        menu_->popup(qtGlobal);
        return;
    }
    // A popup sizes the menu to Qt's screen, which is empty without a monitor: the menu
    // opens at its full size instead, placed on the desktop's displays (the root then).
    emit menu_->aboutToShow();
    menu_->setGeometry(QRect(qtGlobal, menu_->sizeHint()));
    menu_->show();
}

void Menu::placeOnDesktop()
{
    // A submenu Qt opened itself on an empty screen.
    if (qtHasNoScreen() && menu_->size() != menu_->sizeHint()) menu_->resize(menu_->sizeHint());
    const QSize size = menu_->size();
    QPoint place = requestedPoint_;
    QRect beside;  // a submenu's item, global
    if (supermenu_ && supermenuRecord_ && supermenuRecord_->action) {
        const QMenu& above = supermenu_->qtMenu();
        beside = above.actionGeometry(supermenuRecord_->action).translated(above.geometry().topLeft());
        beside.setLeft(above.geometry().left());
        beside.setRight(above.geometry().right());
        place = QPoint(beside.right() + 1, beside.top());
    }
    if (const auto found = workArea(place)) {
        const QRect area = *found;
        if (place.x() + size.width() > area.right() + 1)
            place.setX(beside.isNull() ? area.right() + 1 - size.width() : beside.left() - size.width());
        place.setX(std::max(place.x(), area.left()));
        // Short of room below its point, a menu opens above it, as Qt's own do: shifted
        // up instead, it would open under the pointer that opened it.
        if (beside.isNull() && place.y() + size.height() > area.bottom() + 1) place.setY(place.y() - size.height());
        place.setY(std::max(std::min(place.y(), area.bottom() + 1 - size.height()), area.top()));
    }
    if (menu_->pos() != place) menu_->move(place);
}

void Menu::popUp(core::Point viewPoint, const QWidget& view, bool viewFlipped)
{
    const QPointF local(viewPoint.x, viewFlipped ? viewPoint.y : view.height() - viewPoint.y);
    const QWidget* window = view.window();
    const QPointF global = QPointF(window->geometry().topLeft()) + view.mapTo(window, local);
    showAt(global.toPoint());
}

void Menu::cancelTracking()
{
    Menu* top = this;
    while (top->supermenu_) top = top->supermenu_;
    top->hideWithSubmenus();
}

void Menu::hideWithSubmenus()
{
    for (const auto& submenu : submenus_) submenu->hideWithSubmenus();
    if (menu_) menu_->hide();
}

bool Menu::isOpen() const { return menu_ && menu_->isVisible(); }

bool Menu::isAnyMenuOpen() { return !openStack().empty(); }

std::vector<OpenMenu> Menu::openMenus()
{
    std::vector<OpenMenu> result;
    for (auto it = openStack().rbegin(); it != openStack().rend(); ++it) {
        const QMenu& menu = (*it)->qtMenu();
        const QRect geometry = menu.geometry();
        OpenMenu open;
        open.frame = core::Rect(geometry.x(), geometry.y(), geometry.width(), geometry.height());
        for (const QAction* action : menu.actions()) {
            if (!action->isVisible()) continue;
            OpenMenuEntry entry;
            if (action->isSeparator()) {
                entry.kind = OpenMenuEntry::Kind::separator;
            } else {
                entry.kind = isCustomRow(*action) ? OpenMenuEntry::Kind::view : OpenMenuEntry::Kind::item;
                entry.text = entryText(*action);
                entry.enabled = action->isEnabled();
                entry.hasSubmenu = action->menu() != nullptr;
            }
            open.entries.push_back(std::move(entry));
        }
        result.push_back(std::move(open));
    }
    return result;
}

bool Menu::chooseInFrontMenu(const std::string& title)
{
    if (openStack().empty()) return false;
    const QMenu& menu = openStack().back()->qtMenu();
    const auto actions = menu.actions();
    const auto found = std::find_if(actions.begin(), actions.end(), [&](const QAction* action) {
        return action->isVisible() && !action->isSeparator() && entryText(*action) == title;
    });
    if (found == actions.end()) return false;
    // Qt opens a submenu only after a delay on its own timer: open it at once, as the
    // click would.
    if (QMenu* hanging = (*found)->menu()) {
        for (const auto& submenu : openStack().back()->submenus_)
            if (&submenu->qtMenu() == hanging && (*found)->isEnabled()) {
                submenu->showAt(menu.geometry().topLeft() + menu.actionGeometry(*found).topRight());
                return true;
            }
    }
    const QRectF place = QRectF(menu.actionGeometry(*found)).translated(menu.geometry().topLeft());
    for (const auto type : {desktop::EventType::leftMouseDown, desktop::EventType::leftMouseUp}) {
        desktop::Event event;
        event.type = type;
        event.location = {place.center().x(), place.center().y()};
        event.clickState = 1;
        desktop::input().postEvent(event);
    }
    return true;
}

}  // namespace ui
