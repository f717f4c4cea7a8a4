#include "platform/ui/Menu.h"

#include "platform/desktop/WindowServer.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/ShownWidgetRegistration.h"

#include <QAction>
#include <QMenu>
#include <QWidgetAction>

#include <set>

namespace ui {
namespace {

std::set<const QMenu*>& openMenus()
{
    static std::set<const QMenu*> menus;
    return menus;
}

}  // namespace

struct MenuItem::Record {
    QPointer<QAction> action;
    std::function<void()> callback;
    long tag = 0;
};

std::string MenuItem::title() const
{
    return record_ && record_->action ? record_->action->text().toStdString() : std::string();
}

void MenuItem::setTitle(const std::string& title)
{
    if (auto* action = qtAction()) action->setText(QString::fromStdString(title));
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
    if (auto* action = qtAction()) action->setToolTip(QString::fromStdString(toolTip));
}

void MenuItem::setAction(std::function<void()> action)
{
    if (record_) record_->callback = std::move(action);
}

QAction* MenuItem::qtAction() const { return record_ ? record_->action.data() : nullptr; }

Menu::Menu() : menu_(new QMenu), connections_(std::make_unique<QObject>())
{
    menu_->setToolTipsVisible(true);
    new ShownWidgetRegistration(*menu_, desktop::level::popUpMenu);  // a child of the menu
    QObject::connect(menu_, &QMenu::aboutToShow, connections_.get(), [this] {
        openMenus().insert(menu_);
        if (auto callback = onWillOpen) callback();
    });
    QObject::connect(menu_, &QMenu::aboutToHide, connections_.get(), [this] {
        openMenus().erase(menu_);
        if (auto callback = onClosed) callback();
    });
}

Menu::~Menu()
{
    connections_.reset();
    submenus_.clear();
    if (menu_) {
        openMenus().erase(menu_);
        menu_->hide();
        menu_->deleteLater();
    }
}

void Menu::watch(QAction* action, const std::shared_ptr<MenuItem::Record>& record)
{
    QObject::connect(action, &QAction::triggered, connections_.get(),
                     [weak = std::weak_ptr<MenuItem::Record>(record)] {
                         const auto chosen = weak.lock();
                         if (chosen && chosen->callback) dispatch::main().async(chosen->callback);
                     });
}

MenuItem Menu::addItem(const std::string& title, std::function<void()> action)
{
    auto record = std::make_shared<MenuItem::Record>();
    record->action = menu_->addAction(QString::fromStdString(title));
    record->callback = std::move(action);
    watch(record->action, record);
    records_.push_back(record);
    return MenuItem(record);
}

void Menu::addSeparator() { menu_->addSeparator(); }

Menu& Menu::addSubmenu(const std::string& title)
{
    auto submenu = std::make_unique<Menu>();
    submenu->supermenu_ = this;
    submenu->menu_->setTitle(QString::fromStdString(title));
    menu_->addMenu(submenu->menu_);
    submenus_.push_back(std::move(submenu));
    return *submenus_.back();
}

void Menu::addCustomRow(QWidget* row)
{
    auto* action = new QWidgetAction(menu_);
    action->setDefaultWidget(row);
    menu_->addAction(action);
}

void Menu::removeAllItems()
{
    menu_->clear();
    records_.clear();
    submenus_.clear();
}

std::vector<MenuItem> Menu::items() const
{
    std::vector<MenuItem> result;
    for (const auto& record : records_)
        if (record->action) result.emplace_back(record);
    return result;
}

void Menu::popUp(core::Point screenPoint) { menu_->popup(qtGlobalPoint(screenPoint).toPoint()); }

void Menu::popUp(core::Point viewPoint, const QWidget& view, bool viewFlipped)
{
    const QPointF local(viewPoint.x, viewFlipped ? viewPoint.y : view.height() - viewPoint.y);
    const QWidget* window = view.window();
    const QPointF global = QPointF(window->geometry().topLeft()) + view.mapTo(window, local);
    menu_->popup(global.toPoint());
}

void Menu::cancelTracking()
{
    for (Menu* menu = this; menu; menu = menu->supermenu_) menu->menu_->hide();
}

bool Menu::isOpen() const { return menu_ && menu_->isVisible(); }

bool Menu::isAnyMenuOpen() { return !openMenus().empty(); }

}  // namespace ui
