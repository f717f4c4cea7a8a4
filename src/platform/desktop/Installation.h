#pragma once

#include <optional>
#include <string>

namespace desktop {

// What the desktop says about the folder an installed copy runs from, for the updater:
// which keys its updates must be signed with and whether an update may replace it.
class Installation {
public:
    // Why an update may not replace a bundle folder as a whole.
    struct Refusal {
        enum class Kind {
            sharedFolder,    // a system or shared folder; detail: empty
            packageManager,  // installed by the package manager; detail: its package
            otherContents,   // holds what no package of ours holds; detail: that entry
            notWritable,     // detail: the folder that cannot be written
        };
        Kind kind = Kind::sharedFolder;
        std::string detail;

        bool operator==(const Refusal&) const = default;
    };

    virtual ~Installation() = default;
    // The file of the Ed25519 public keys (PEM) the copy in the bundle folder trusts; none
    // where no file is read, so the copy trusts no key.
    virtual std::optional<std::string> trustedKeysFile(const std::string& bundlePath) = 0;
    // None when an update may replace the bundle folder. Blocks; any thread.
    virtual std::optional<Refusal> replacementRefusal(const std::string& bundlePath) = 0;
    // Whether the replace swaps the bundle folder and the new one in one step through the
    // installed executable; else it renames the old one aside and the new one in.
    virtual bool exchangesBundleFolders() const { return false; }
};

}  // namespace desktop
