#pragma once

#include <functional>
#include <optional>
#include <string>

#include <sys/types.h>

namespace testsupport {

// A user whom file permissions hold: this one, or "nobody" when the tests run as root.
struct OtherUser {
    uid_t uid = 0;
    gid_t gid = 0;
};

// None when running as root on a system without "nobody".
std::optional<OtherUser> userBoundByPermissions();

// A fresh folder of the user's in /tmp, whose way in every user may pass (the tests' own
// temporary folder may be private); removed at destruction.
class OtherUsersFolder {
public:
    explicit OtherUsersFolder(const OtherUser& user);
    ~OtherUsersFolder();
    OtherUsersFolder(const OtherUsersFolder&) = delete;
    OtherUsersFolder& operator=(const OtherUsersFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Gives the tree to the user, links themselves included (a no-op unless running as root).
void handOver(const std::string& path, const OtherUser& user);

// Runs check in a forked child as the user. Answers what the check reported ("" when all
// held) followed by anything that went wrong with the child itself.
std::string runAs(const OtherUser& user, const std::function<std::string()>& check);

}  // namespace testsupport
