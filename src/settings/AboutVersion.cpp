#include "settings/AboutVersion.h"

#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"

namespace settings {

std::string versionRowTitle(const std::optional<UpdateManifest>& offered)
{
    return L10n::t(offered ? "有新版本可用" : "版本");
}

std::string versionLine(const core::AppIdentity& identity, const std::optional<UpdateManifest>& offered)
{
    const std::string version = identity.version.empty() ? "1.0" : identity.version;
    const std::string build = identity.build.empty() ? "0" : identity.build;
    if (!offered) return core::formatText(L10n::t("Glimra %@（build %@）"), {version, build});
    return core::formatText(L10n::t("Glimra %@（build %@）→ 可更新到 %@"), {version, build, offered->shortVersion});
}

}  // namespace settings
