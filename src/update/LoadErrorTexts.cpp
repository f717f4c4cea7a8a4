#include "update/LoadErrorTexts.h"

#include "foundation/L10n.h"
#include "update/AppUpdate.h"

namespace LoadErrorTexts {

using desktop::UrlLoadError;

int code(UrlLoadError error)
{
    switch (error) {
    case UrlLoadError::timedOut: return -1001;
    case UrlLoadError::hostNotFound: return -1003;
    case UrlLoadError::refused: return -1004;
    case UrlLoadError::connectionLost: return -1005;
    case UrlLoadError::tooManyRedirects: return -1007;
    case UrlLoadError::insecureRedirect: return -1022;
    case UrlLoadError::tlsFailed: return -1200;
    case UrlLoadError::certificateUntrusted: return -1202;
    case UrlLoadError::cancelled: return -999;
    case UrlLoadError::other: return -1;
    }
    return -1;
}

std::string reasonKey(std::optional<UrlLoadError> error)
{
    if (!error) return "网络请求未完成";
    switch (*error) {
    case UrlLoadError::timedOut: return "连接更新服务器超时";
    case UrlLoadError::hostNotFound: return "找不到更新服务器（域名解析失败）";
    case UrlLoadError::connectionLost: return "网络连接中断";
    case UrlLoadError::refused: return "更新服务器拒绝连接";
    case UrlLoadError::tlsFailed:
    case UrlLoadError::certificateUntrusted: return "更新服务器的安全连接建立失败";
    case UrlLoadError::insecureRedirect: return "明文连接被系统安全策略拦下";
    case UrlLoadError::tooManyRedirects:
    case UrlLoadError::cancelled:
    case UrlLoadError::other: break;
    }
    return "网络请求未完成";
}

}  // namespace LoadErrorTexts

std::string AppUpdate::friendlyReason(std::optional<desktop::UrlLoadError> error)
{
    return L10n::t(LoadErrorTexts::reasonKey(error));
}
