#include "x11/UpdateServer.h"

#include "support/TestEnvironment.h"

#include <nlohmann/json.hpp>

namespace testsupport {

UpdateServer::UpdateServer(const std::string& workFolder, const std::string& ranMarker, const SigningKey& key)
{
    BundleContents update;
    update.version = "1.2.0";
    update.build = "120";
    update.executableText = "#!/bin/sh\necho ran >> '" + ranMarker + "'\n";
    server_.serve("/Glimra-1.2.0-120.tar.gz", 200, readFile(makeSignedPackage(workFolder, update, key)));
    const nlohmann::json manifest{
        {"shortVersion", "1.2.0"}, {"build", 120}, {"url", server_.url("/Glimra-1.2.0-120.tar.gz")}};
    server_.serve("/v1.json", 200, manifest.dump());
    server_.start();
}

std::string UpdateServer::manifestSetting() const
{
    return R"("updateManifestURL": ")" + server_.url("/v1.json") + "\"";
}

std::string UpdateServer::settings() const { return R"("forceSelfReplace": true, )" + manifestSetting(); }

}  // namespace testsupport
