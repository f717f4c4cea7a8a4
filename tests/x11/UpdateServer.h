#pragma once

#include "support/LocalHttpServer.h"
#include "support/TestPackages.h"

#include <string>

namespace testsupport {

// A loopback server offering build 120 of glimra, signed with the key, whose executable
// only notes in ranMarker that it ran.
class UpdateServer {
public:
    UpdateServer(const std::string& workFolder, const std::string& ranMarker, const SigningKey& key = testSigningKey());
    // The setting that points glimra at this server.
    std::string manifestSetting() const;
    // That setting and "forceSelfReplace", so that an ad hoc copy replaces itself too.
    std::string settings() const;

private:
    LocalHttpServer server_;
};

}  // namespace testsupport
