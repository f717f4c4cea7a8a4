#include "support/OtherUser.h"

#include <cerrno>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <grp.h>
#include <stdlib.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

std::optional<OtherUser> userBoundByPermissions()
{
    if (::geteuid() != 0) return OtherUser{::geteuid(), ::getegid()};
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody || nobody->pw_uid == 0) return std::nullopt;
    return OtherUser{nobody->pw_uid, nobody->pw_gid};
}

OtherUsersFolder::OtherUsersFolder(const OtherUser& user)
{
    std::string pattern = "/tmp/glimra-other-user-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    handOver(path_, user);
}

OtherUsersFolder::~OtherUsersFolder()
{
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

void handOver(const std::string& path, const OtherUser& user)
{
    if (::geteuid() != 0) return;
    ::lchown(path.c_str(), user.uid, user.gid);
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator walk(path, error), end; !error && walk != end;
         walk.increment(error))
        ::lchown(walk->path().c_str(), user.uid, user.gid);
}

std::string runAs(const OtherUser& user, const std::function<std::string()>& check)
{
    int channel[2];
    if (::pipe(channel) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child < 0) return "no fork";
    if (child == 0) {
        ::close(channel[0]);
        std::string verdict;
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(user.gid) != 0 || ::setuid(user.uid) != 0))
            verdict = "cannot become uid " + std::to_string(user.uid);
        else if (::geteuid() == 0)
            verdict = "still root";
        else {
            try {
                verdict = check();
            } catch (const std::exception& error) {
                verdict = std::string("threw ") + error.what();
            }
        }
        for (std::size_t done = 0; done < verdict.size();) {
            const ssize_t n = ::write(channel[1], verdict.data() + done, verdict.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string verdict;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            verdict.append(buffer, static_cast<std::size_t>(n));
        else if (errno != EINTR)
            break;
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        verdict += " (the child ended with status " + std::to_string(status) + ")";
    return verdict;
}

}  // namespace testsupport
