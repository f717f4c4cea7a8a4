#include "settings/SettingsWindow.h"

namespace {

SettingsWindow::ShellHooks& hooks()
{
    static SettingsWindow::ShellHooks instance;
    return instance;
}

SettingsWindow*& instance()
{
    static SettingsWindow* window = nullptr;
    return window;
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
    static const std::vector<Tab> list{{"通用", "gearshape"},   {"快捷键", "keyboard"}, {"屏幕", "display"},
                                       {"主题", "paintpalette"}, {"语言", "globe"},     {"关于", "info.circle"}};
    return list;
}

SettingsWindow::SettingsWindow() : ui::Window(core::Rect{0, 0, W, 984}, Style::titled) { setObjectName("settings"); }

void SettingsWindow::showSettings(std::optional<int>) {}

void SettingsWindow::layoutChrome() {}

bool SettingsWindow::fitWindowToScreen() { return false; }

void SettingsWindow::closeEvent(QCloseEvent* event) { ui::Window::closeEvent(event); }

void SettingsWindow::windowWillClose() {}

void SettingsWindow::windowDidChangeScreen() {}
