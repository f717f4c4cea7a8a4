#pragma once

#include "platform/desktop/Installation.h"
#include "platform/desktop/Tools.h"

#include <memory>

namespace linuxdesktop {

// An installed copy is the bundle folder PREFIX/lib/glimra; it trusts the keys in the
// folder's "update-keys". An update replaces only such a folder: never a system or shared
// folder, one the package manager owns, one holding anything else, or one it cannot write.
class BundleFolderInstallation : public desktop::Installation {
public:
    explicit BundleFolderInstallation(std::shared_ptr<desktop::Tools> tools);
    std::optional<std::string> trustedKeysFile(const std::string& bundlePath) override;
    std::optional<Refusal> replacementRefusal(const std::string& bundlePath) override;
    bool exchangesBundleFolders() const override { return true; }

private:
    std::shared_ptr<desktop::Tools> tools_;
};

}  // namespace linuxdesktop
