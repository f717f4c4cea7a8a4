#include "update/HelpCenter.h"

#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "panels/PipPanel.h"
#include "platform/core/AppIdentity.h"
#include "platform/core/ByteText.h"
#include "platform/core/OwnFolder.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/desktop/UrlRedirects.h"
#include "platform/ui/AlertPresenter.h"
#include "update/SystemLine.h"

#include <QString>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace HelpCenter {

namespace {

const char* const builtInContactPage = "https://glimra.app/contact";
// Only the end of a long log is read for the tail.
constexpr off_t tailWindowBytes = 96 * 1024;

std::string appVersion() { return core::AppIdentity::current().version; }

std::string languageCode()
{
    switch (L10n::resolved()) {
    case ResolvedLang::zhHans: return "zh";
    case ResolvedLang::zhHant: return "zh-Hant";
    case ResolvedLang::en: return "en";
    case ResolvedLang::ja: return "ja";
    case ResolvedLang::ko: return "ko";
    case ResolvedLang::fr: return "fr";
    case ResolvedLang::de: return "de";
    case ResolvedLang::es: return "es";
    }
    return "zh";
}

std::string contactBaseResolved()
{
    const auto base = defaults::setting::helpContactBase.stored();
    // Only a web address is a contact page the browser can open.
    if (!base || base->empty() || !desktop::parseHttpAddress(*base)) return builtInContactPage;
    return *base;
}

// Every byte but letters, digits and "-._~" is percent-encoded.
QString queryValue(const std::string& value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(value)));
}

std::string grantText(bool granted) { return granted ? "已授权" : "未授权"; }

}  // namespace

std::string contactURL()
{
    return contactURL(contactBaseResolved(), {{"app", "glimra"},
                                              {"v", appVersion()},
                                              {"os", desktop::operatingSystem().versionText()},
                                              {"lang", languageCode()}});
}

std::string contactURL(const std::string& base, const QueryItems& items)
{
    QUrl url(QString::fromStdString(base), QUrl::StrictMode);
    QString query;
    for (const auto& [name, value] : items) {
        if (!query.isEmpty()) query += '&';
        query += queryValue(name) + '=' + queryValue(value);
    }
    url.setQuery(query, QUrl::StrictMode);
    if (!url.isValid()) return builtInContactPage;
    return url.toString(QUrl::FullyEncoded).toStdString();
}

void openContact()
{
    const std::string url = contactURL();
    Diag::log("帮助: 打开联系页 " + url);
    desktop::urlOpener().open(url);
}

std::vector<std::string> tailLog(int n)
{
    const std::vector<std::string> unreadable{"（无法读取日志）"};
    const auto path = Diag::fileURL();
    if (!path) return unreadable;
    // Read as the log is written: never through a link in its place.
    const std::filesystem::path log(*path);
    const auto folder = core::OwnFolder::openPath(log.parent_path().string(), core::OwnFolder::Missing::fail);
    const int fd = folder.openFile(log.filename().string(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return unreadable;
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    const off_t size = regular ? status.st_size : 0;
    const off_t start = size >= tailWindowBytes ? size - tailWindowBytes : 0;
    std::string bytes(static_cast<std::size_t>(size - start), '\0');
    std::size_t done = 0;
    while (regular && done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, start + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (!regular) return unreadable;
    bytes.resize(done);
    std::string text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toStdString();
    // The first line read from the middle of the file is cut.
    if (start > 0) {
        const auto lineEnd = text.find('\n');
        if (lineEnd != std::string::npos) text.erase(0, lineEnd + 1);
    }

    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(std::move(line));
    }
    const std::size_t keep = static_cast<std::size_t>(std::max(n, 0));
    if (lines.size() > keep) lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(keep));
    return lines;
}

std::string diagnosticsText(int logLines)
{
    std::string text = "Glimra " + appVersion();
    text += "\n" + SystemLine::line();
    text += "\n语言: " + languageCode();
    if (desktop::permissions().hasGrants())
        text += "\n屏幕录制: " + grantText(desktop::permissions().screenCapturePreflight()) +
                " / 辅助功能: " + grantText(desktop::accessibility().isTrusted(false));
    else
        text += "\n权限: 此桌面没有屏幕录制与辅助功能授权";
    text += "\n迷你窗: " + std::to_string(PipPanel::all().size()) + " 个";
    text += "\n\n—— 最近日志（最多 " + std::to_string(logLines) + " 行）——";
    for (const std::string& line : tailLog(logLines)) text += "\n" + line;
    return text;
}

void copyDiagnostics()
{
    const std::string text = diagnosticsText(60);
    desktop::pasteboard().setString(text);
    Diag::log("帮助: 已复制诊断信息（" + std::to_string(core::codePointCount(text)) + " 字符）");
    auto& workspace = desktop::workspace();
    workspace.activate(workspace.ownPid(), {.ignoringOtherApps = true});
    ui::AlertPresenter::shared().runModal(
        {L10n::t("诊断信息已复制"),
         L10n::t("复制的内容包含应用与系统版本、权限状态和最近的日志；日志里有应用名和窗口标题，"
                 "但没有你正在查看的内容。可以直接粘贴到反馈消息里。"),
         {},
         ui::AlertStyle::informational});
}

}  // namespace HelpCenter
