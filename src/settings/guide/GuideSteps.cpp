#include "settings/guide/OnboardingWindow.h"

#include "foundation/L10n.h"
#include "platform/desktop/Desktop.h"
#include "settings/guide/GuideScenes.h"

const std::vector<OnboardingWindow::Step>& OnboardingWindow::steps()
{
    if (!steps_.empty()) return steps_;
    auto step = [](const char* title, const char* desc, std::function<void(ui::Layer&)> build) {
        return Step{L10n::t(title), L10n::t(desc), std::move(build), {}};
    };
    steps_.push_back(
        step("① 快速创建一个小窗",
             "鼠标移到窗口右上角停留约 1 秒，会出现一个[[trigger]]触发块，点它立刻为该窗口创建画中画小窗口，"
             "支持多个应用。\n也可以使用{{⌘+⌥+P}}快捷键，为当前窗口快速创建画中画窗口。",
             guide::demoTrigger));
    steps_.push_back(
        step("② 快速预览", "鼠标悬停在小窗上，会弹出临时预览画面，鼠标移开小窗，预览消失。", guide::demoHoverPreview));
    steps_.push_back(
        step("③ 在预览中交互！", "鼠标点击小窗，可固定预览画面，可直接在预览中交互！", guide::demoPinPreview));
    steps_.push_back(step("④ 打开原应用的两种方式",
                          "方式一：{{blue:双击小窗。}}注意：打开原应用后，{{bold:小窗不消失。}}\n"
                          "方式二：{{blue:点击小窗左上角第二个图标。}}注意：打开原应用后，{{bold:小窗消失。}}",
                          guide::demoOpenOriginal));
    steps_.push_back(step("⑤ 调整小窗大小的2种方式",
                          "方式一：{{blue:拖拽小窗四周。}}注意：{{bold:这种方式为临时调整小窗大小。}}\n"
                          "方式二：{{blue:点击小窗左上角的第三个图标，}}{{bold:可设置新创建小窗的默认大小。}}",
                          guide::demoResizeAndDefault));
    // Where everything is allowed there is nothing to grant.
    if (!desktop::permissions().hasGrants()) return steps_;
    Step permissions =
        step("⑥ 最后一步：完成两项授权",
             "Glimra 需要两项系统权限：辅助功能与屏幕录制。点击上方按钮逐项完成，再点击右下角「开始使用」。",
             [](ui::Layer&) {});
    permissions.nsSetup = [window = QPointer<OnboardingWindow>(this)](QWidget& canvasView) {
        if (window) window->setupPermissionUI(canvasView);
    };
    steps_.push_back(std::move(permissions));
    return steps_;
}
