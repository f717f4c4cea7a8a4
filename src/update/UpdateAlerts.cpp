#include "update/AppUpdate.h"
#include "update/UpdateInstaller.h"

#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/AlertPresenter.h"

long AppUpdate::alert(const std::string& message, const std::string& info, const std::vector<std::string>& buttons)
{
    auto& workspace = desktop::workspace();
    workspace.activate(workspace.ownPid(), {.ignoringOtherApps = true});
    return ui::AlertPresenter::shared().runModal(
        {.messageText = message, .informativeText = info, .buttonTitles = buttons, .style = ui::AlertStyle::warning});
}

void UpdateInstaller::presentFailure(const std::string& reason)
{
    if (suppressPrompts()) return;
    AppUpdate::alert(L10n::t("更新失败"), core::formatText(L10n::t("%@。这不影响任何功能，稍后再试即可。"), {reason}),
                     {L10n::t("好")});
}
