#include "app/MenuModel.h"

#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"
#include "platform/ui/LiteralText.h"
#include "update/ShortenedText.h"

#include <algorithm>
#include <cmath>

namespace app {
namespace {

std::string rowLabel(const desktop::ShareableWindow& window, bool isolate)
{
    const std::string app =
        ui::oneLine(window.owningApplication ? window.owningApplication->applicationName : L10n::t("未知应用"));
    const std::string title = ui::oneLine(window.title && !window.title->empty() ? *window.title : L10n::t("(无标题)"));
    return isolate ? ui::isolated(app) + " · " + ui::isolated(title) : app + " · " + title;
}

long long percentOf(double fraction) { return static_cast<long long>(std::floor(fraction * 100)); }

MenuEntry item(std::string title, std::optional<Command> command, bool enabled, MenuLook look = MenuLook::plain)
{
    MenuEntry entry;
    entry.title = std::move(title);
    entry.command = command;
    entry.enabled = enabled;
    entry.look = look;
    return entry;
}

MenuEntry separator()
{
    MenuEntry entry;
    entry.kind = MenuEntry::Kind::separator;
    return entry;
}

std::optional<MenuEntry> updateRow(const UpdatePhase& phase)
{
    using Kind = UpdatePhase::Kind;
    const std::string version = ShortenedText::forRow(phase.manifest.shortVersion);
    switch (phase.kind) {
    case Kind::available:
        return item(core::formatText(L10n::t("新版本 %@ 可用，点击下载"), {version}), Command::startUpdateDownload,
                    true, MenuLook::accent);
    case Kind::downloading:
        if (phase.fraction < 0) return item(core::formatText(L10n::t("正在下载 %@…"), {version}), std::nullopt, false);
        return item(core::formatText(L10n::t("正在下载 %@…（已完成 %d%%）"), {version, percentOf(phase.fraction)}),
                    std::nullopt, false);
    case Kind::ready:
        return item(core::formatText(L10n::t("%@ 已下载，点击重启安装"), {version}), Command::installUpdateNow, true,
                    MenuLook::accent);
    case Kind::installing: return item(core::formatText(L10n::t("正在安装 %@…"), {version}), std::nullopt, false);
    case Kind::idle: break;
    }
    return std::nullopt;
}

void appendWindowSection(const MenuInputs& in, MenuPlan& plan)
{
    const std::size_t count = std::min(in.windows.size(), menuWindowLimit);
    double width = menuMinimumWidth;
    for (std::size_t i = 0; i < count; ++i) {
        const auto& window = in.windows[i];
        const double thumb = in.thumbnailWidth ? in.thumbnailWidth(window.windowID).value_or(0) : 0;
        const double text = in.measure ? in.measure(menuRowLabel(window)) : 0;
        width = std::max(width, naturalRowWidth(text, thumb));
    }
    plan.rowWidth = width;

    MenuEntry header;
    header.kind = MenuEntry::Kind::header;
    header.title = L10n::t("点击窗口创建应用小窗，点击右侧按钮，创建聚焦小窗");
    header.enabled = false;
    plan.entries.push_back(header);

    const std::size_t inlineCount = count <= menuInlineRows ? count : menuInlineRows;
    for (std::size_t i = 0; i < inlineCount; ++i) {
        MenuEntry row;
        row.kind = MenuEntry::Kind::windowRow;
        row.window = i;
        plan.entries.push_back(row);
    }
    if (count > menuInlineRows) {
        MenuEntry more;
        more.kind = MenuEntry::Kind::more;
        more.title = core::formatText(L10n::t("（共 %d 个窗口）"), {static_cast<long long>(count)});
        more.window = count;
        plan.entries.push_back(more);
    }
}

// A number the server gave to a new window names another window, whose row picks that one.
bool sameWindow(const desktop::ShareableWindow& a, const desktop::ShareableWindow& b)
{
    return a.windowID == b.windowID && a.life == b.life;
}

}  // namespace

std::string updateRowStateKey(const UpdatePhase& phase)
{
    using Kind = UpdatePhase::Kind;
    switch (phase.kind) {
    case Kind::available:
        return "available " + phase.manifest.shortVersion + " build " + std::to_string(phase.manifest.build);
    case Kind::downloading:
        return "downloading " + phase.manifest.shortVersion + " " +
               (phase.fraction < 0 ? std::string("?") : std::to_string(percentOf(phase.fraction)) + "%");
    case Kind::ready: return "ready " + phase.manifest.shortVersion;
    case Kind::installing: return "installing " + phase.manifest.shortVersion;
    case Kind::idle: break;
    }
    return "idle";
}

std::string menuRowLabel(const desktop::ShareableWindow& window) { return rowLabel(window, false); }

std::string menuRowShownLabel(const desktop::ShareableWindow& window) { return rowLabel(window, true); }

bool windowRowsDiffer(const std::vector<desktop::ShareableWindow>& shown,
                      const std::vector<desktop::ShareableWindow>& fresh)
{
    return !std::equal(shown.begin(), shown.end(), fresh.begin(), fresh.end(),
                       [](const desktop::ShareableWindow& a, const desktop::ShareableWindow& b) {
                           return sameWindow(a, b) && menuRowLabel(a) == menuRowLabel(b);
                       });
}

bool sameWindowOrder(const std::vector<desktop::ShareableWindow>& shown,
                     const std::vector<desktop::ShareableWindow>& fresh)
{
    return std::equal(shown.begin(), shown.end(), fresh.begin(), fresh.end(), sameWindow);
}

double naturalRowWidth(double textWidth, double thumbWidth)
{
    const double width = std::ceil(std::max(thumbWidth, 0.0) + 8 + 10 + std::ceil(textWidth) + 8 + 22 + 12);
    return std::clamp(width, menuMinimumWidth, menuMaximumWidth);
}

MenuPlan planMenu(const MenuInputs& in)
{
    MenuPlan plan;
    auto& entries = plan.entries;

    if (auto row = updateRow(in.phase)) {
        entries.push_back(*row);
        entries.push_back(separator());
    }
    if (!in.screenRecordingGranted)
        entries.push_back(item(L10n::t("屏幕录制权限未授权(点击授权)"), Command::openPermissionAuth, true, MenuLook::red));
    if (!in.accessibilityTrusted)
        entries.push_back(item(L10n::t("辅助功能权限未授权(点击授权)"), Command::openPermissionAuth, true, MenuLook::red));
    if (!in.screenRecordingGranted || !in.accessibilityTrusted) entries.push_back(separator());

    if (in.screenRecordingGranted) {
        if (in.windows.empty())
            entries.push_back(item(L10n::t("未发现可捕获的窗口"), std::nullopt, false));
        else
            appendWindowSection(in, plan);
        entries.push_back(separator());
        entries.push_back(item(L10n::t("快捷键"), Command::showHotkeySettings, true));
    }
    if (!in.accessibilityTrusted)
        entries.push_back(item(L10n::t("打开设置：辅助功能…"), Command::openAXSettings, true));
    entries.push_back(item(core::formatText(L10n::t("当前迷你窗：%d 个"), {static_cast<long long>(in.panelCount)}),
                           std::nullopt, false));
    auto settings = item(L10n::t("设置…"), Command::showSettings, true);
    settings.commandComma = true;
    entries.push_back(settings);
    if (in.isCheckingForUpdates)
        entries.push_back(item(L10n::t("正在检查更新…"), std::nullopt, false));
    else
        entries.push_back(item(L10n::t("检查更新…"), Command::checkForUpdates, true));
    entries.push_back(item(L10n::t("帮助与反馈…"), Command::openHelpCenter, true));
    entries.push_back(item(L10n::t("复制诊断信息"), Command::copyDiagnostics, true));
    entries.push_back(separator());
    entries.push_back(item(L10n::t("退出 Glimra"), Command::quitApp, true));
    return plan;
}

bool MenuRebuildGate::admit(bool force)
{
    if (open_ && !force) {
        dirty_ = true;
        return false;
    }
    return true;
}

void MenuRebuildGate::opened() { open_ = true; }

bool MenuRebuildGate::closed()
{
    open_ = false;
    const bool due = dirty_;
    dirty_ = false;
    return due;
}

}  // namespace app
