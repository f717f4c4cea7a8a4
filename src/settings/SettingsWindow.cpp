#include "settings/SettingsWindow.h"

#include "foundation/AuxWindowActivation.h"
#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/SystemColors.h"
#include "settings/BoxView.h"
#include "settings/WindowGeometry.h"

#include <QScrollArea>

#include <cmath>

namespace {

SettingsWindow::ShellHooks& hooks()
{
    static SettingsWindow::ShellHooks instance;
    return instance;
}

QPointer<SettingsWindow>& instance()
{
    static QPointer<SettingsWindow> window;
    return window;
}

bool activationRegistered = false;

double titleBarHeight()
{
    constexpr double side = 200;
    return ui::Window::frameRectForContentRect({0, 0, side, side}, ui::Window::Style::titled).height() - side;
}

std::optional<ui::Screen> mainOrFirstScreen()
{
    if (auto main = ui::mainScreen()) return main;
    const auto all = ui::screens();
    if (all.empty()) return std::nullopt;
    return all.front();
}

double heightOn(const std::optional<ui::Screen>& screen)
{
    return settings::windowHeight(screen ? std::optional(screen->visibleFrame.height()) : std::nullopt, titleBarHeight());
}

// The window's frame for a content height, centred on the screen's visible frame.
core::Rect centredFrame(double contentHeight, const ui::Screen& screen)
{
    const core::Rect frame =
        ui::Window::frameRectForContentRect({0, 0, SettingsWindow::W, contentHeight}, ui::Window::Style::titled);
    const auto& area = screen.visibleFrame;
    return core::Rect(area.midX() - frame.width() / 2, area.midY() - frame.height() / 2, frame.width(), frame.height());
}

}  // namespace

void SettingsWindow::setShellHooks(ShellHooks shellHooks) { hooks() = std::move(shellHooks); }

const SettingsWindow::ShellHooks& SettingsWindow::shellHooks() { return hooks(); }

SettingsWindow& SettingsWindow::shared()
{
    if (!instance()) instance() = new SettingsWindow();
    return *instance();
}

SettingsWindow* SettingsWindow::existing() { return instance(); }

const std::vector<SettingsWindow::Tab>& SettingsWindow::tabs()
{
    static const std::vector<Tab> list{{"通用", "gearshape"},    {"快捷键", "keyboard"}, {"屏幕", "display"},
                                       {"主题", "paintpalette"}, {"语言", "globe"},      {"关于", "info.circle"}};
    return list;
}

SettingsWindow::SettingsWindow() : ui::Window(core::Rect{0, 0, W, 984}, Style::titled)
{
    setObjectName("settings");
    const auto screen = mainOrFirstScreen();
    H_ = heightOn(screen);
    if (screen)
        setFrame(centredFrame(H_, *screen));
    else
        setFrame(frameRectForContentRect({0, 0, W, H_}, Style::titled));

    auto* content = new BoxView(ui::systemColor("windowBackground"));
    setContentView(content);
    tabBar_ = new QWidget(content);
    separator_ = new BoxView(ui::systemColor("separator"), 0, content);
    contentScroll_ = new QScrollArea(content);
    contentScroll_->setFrameShape(QFrame::NoFrame);
    contentScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    contentScroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    contentScroll_->viewport()->setAutoFillBackground(false);
    contentArea_ = new QWidget();
    contentArea_->resize(W, H_ - 78);
    contentScroll_->setWidget(contentArea_);
    contentArea_->setAutoFillBackground(false);
    layoutChrome();
    rebuildTabBar();
    selectTab(0);
}

void SettingsWindow::showSettings(std::optional<int> tab)
{
    if (!activationRegistered) {
        activationRegistered = true;
        AuxWindowActivation::registerProvider([] {
            const auto* window = existing();
            return window && window->isOpen_ && window->isVisible();
        });
    }
    isOpen_ = true;
    auto& workspace = desktop::workspace();
    workspace.activate(workspace.ownPid(), {.ignoringOtherApps = true});
    const bool heightChanged = fitWindowToScreen();
    if (tab && *tab >= 0 && *tab < static_cast<int>(tabs().size()))
        selectTab(*tab);
    else if (heightChanged)
        rebuildContent();
    makeKeyAndOrderFront();
    // Only now is the window visible, so only now does it count for the Dock icon.
    AuxWindowActivation::refresh();
}

void SettingsWindow::layoutChrome()
{
    const auto chrome = settings::chromeFrames(H_, W);
    tabBar_->setGeometry(ui::viewGeometry(chrome.tabBar, H_, false));
    separator_->setGeometry(ui::viewGeometry(chrome.separator, H_, false));
    contentScroll_->setGeometry(ui::viewGeometry(chrome.scroll, H_, false));
}

bool SettingsWindow::fitWindowToScreen()
{
    auto screen = this->screen();
    if (!screen) screen = mainOrFirstScreen();
    const double height = heightOn(screen);
    if (std::abs(height - H_) <= 0.5) return false;

    Diag::log("设置窗口高度按屏幕收口: " + std::to_string(static_cast<long long>(H_)) + " → " +
              std::to_string(static_cast<long long>(height)) + "pt");
    H_ = height;
    // Resized and centred in one move, so the window never passes over another screen
    // on the way and the change cannot answer itself.
    if (screen)
        setFrame(centredFrame(H_, *screen));
    else
        setFrame(frameRectForContentRect({frame().origin.x, frame().origin.y, W, H_}, Style::titled));
    layoutChrome();
    contentArea_->resize(W, H_ - 78);
    return true;
}

void SettingsWindow::closeEvent(QCloseEvent* event)
{
    windowWillClose();
    ui::Window::closeEvent(event);
}

void SettingsWindow::windowWillClose()
{
    stopRecordingMonitor();
    recording_ = false;
    endRecordingOnClose();
    isOpen_ = false;
    AuxWindowActivation::refresh();
}

void SettingsWindow::screenDidChange() { windowDidChangeScreen(); }

void SettingsWindow::windowDidChangeScreen()
{
    if (fitWindowToScreen()) rebuildContent();
}
