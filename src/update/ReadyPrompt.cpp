#include "update/ReadyPrompt.h"

#include "update/AppUpdate.h"
#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"
#include "platform/desktop/UrlRedirects.h"

namespace {

// Only a web page may open from the server's notes address.
std::optional<std::string> webPage(const std::optional<std::string>& address)
{
    if (!address || !desktop::parseHttpAddress(*address)) return std::nullopt;
    return address;
}

}  // namespace

std::optional<ReadyPrompt::Question> ReadyPrompt::take(const UpdatePhase& phase, bool suppressed,
                                                       const std::function<bool()>& selfReplaces)
{
    if (suppressed || phase.kind != UpdatePhase::Kind::ready) return std::nullopt;
    const auto& manifest = phase.manifest;
    if (promptedBuild_ == manifest.build) return std::nullopt;
    promptedBuild_ = manifest.build;

    Question question;
    question.title = core::formatText(L10n::t("新版本 %@ 已下载"), {manifest.shortVersion});
    question.text = AppUpdate::updateDetails(manifest);
    if (selfReplaces()) {
        question.buttons = {L10n::t("重启并安装"), L10n::t("稍后")};
    } else {
        question.text =
            L10n::t("当前是开发签名，自动替换会让你重新授权屏幕录制与辅助功能，所以这次只帮你打开安装包。") + "\n\n" +
            question.text;
        question.buttons = {L10n::t("打开安装包"), L10n::t("稍后")};
    }
    question.notesURL = webPage(manifest.notesURL);
    if (question.notesURL) question.buttons.push_back(L10n::t("查看更新说明"));
    return question;
}
