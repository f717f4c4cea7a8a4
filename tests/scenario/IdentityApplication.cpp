#include "scenario/IdentityApplication.h"

#include "foundation/Diag.h"
#include "platform/core/AppIdentity.h"
#include "platform/core/BundleFile.h"
#include "platform/core/Paths.h"
#include "platform/core/UniqueName.h"

#include <fstream>

namespace testsupport {

void IdentityApplication::launch(const std::vector<std::string>&)
{
    const auto& identity = core::AppIdentity::current();
    Diag::log("identity " + identity.version + " (build " + identity.build + ") " + identity.bundlePath);
    const auto bundle = core::readBundleFile(identity.bundlePath);
    Diag::log("bundle " + (bundle && bundle->identifier ? *bundle->identifier : std::string("none")));
    const std::string first = core::uniqueName();
    Diag::log("unique " + first + " " + core::uniqueName());
    std::ifstream report(core::paths::applicationSupport().value_or("") + "/CrashReports/a.crash");
    std::string line;
    std::getline(report, line);
    Diag::log("report " + line);
}

}  // namespace testsupport
