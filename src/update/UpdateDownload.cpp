#include "update/UpdateInstaller.h"

#include "update/AppUpdate.h"
#include "update/PackageDownload.h"
#include "update/ReadyPrompt.h"
#include "update/ShortenedText.h"
#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "platform/desktop/Desktop.h"

void UpdateInstaller::startDownload(const UpdateManifest& manifest)
{
    const auto& current = phase();
    switch (current.kind) {
    case UpdatePhase::Kind::installing:
    case UpdatePhase::Kind::downloading: return;
    case UpdatePhase::Kind::ready:
        if (current.manifest.build == manifest.build) return;
        break;
    case UpdatePhase::Kind::available:
    case UpdatePhase::Kind::idle: break;
    }
    const auto url = acceptableURL(manifest.url);
    if (!url) {
        Diag::log("更新下载: 地址不合规（只收 https，本机回环除外）url=" + ShortenedText::forLog(manifest.url));
        presentFailure(L10n::t("更新地址配置无效"));
        return;
    }
    const auto folder = updatesDir();
    if (!folder) {
        Diag::log("更新下载: 取不到落盘目录");
        presentFailure(L10n::t("无法创建下载目录"));
        return;
    }
    setPhase(UpdatePhase::downloading(manifest, 0.0));
    Diag::log("更新下载: 开始 " + manifest.shortVersion + " build " + std::to_string(manifest.build) + " → " + ShortenedText::forLog(*url));
    packagedownload::start(manifest, *url, *folder);
}

void UpdateInstaller::presentReadyPrompt()
{
    static ReadyPrompt prompt;
    const auto question = prompt.take(phase(), suppressPrompts(), [] { return allowsSelfReplace(); });
    if (!question) return;
    const long response = AppUpdate::alert(question->title, question->text, question->buttons);
    if (response == 1000) {
        installAndRelaunch();
    } else if (response == 1002 && question->notesURL) {
        Diag::log("更新: 打开更新说明 " + ShortenedText::forLog(*question->notesURL));
        desktop::urlOpener().open(*question->notesURL);
    }
}
