#include "platform/core/PrivateFolder.h"

#include "platform/core/Paths.h"

#include <cerrno>
#include <filesystem>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {
namespace {

void tighten(int folder, const char* name)
{
    struct stat status {};
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) return;
    if (status.st_uid != ::geteuid() || (status.st_mode & 077) == 0) return;
    ::fchmodat(folder, name, status.st_mode & 07700, 0);
}

}  // namespace

bool tightenPrivateFolder(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    tighten(fd, ".");
    const int listing = ::dup(fd);
    DIR* entries = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (entries) {
        while (const dirent* entry = ::readdir(entries))
            if (std::string_view(entry->d_name) != "." && std::string_view(entry->d_name) != "..")
                tighten(fd, entry->d_name);
        ::closedir(entries);
    } else if (listing >= 0) {
        ::close(listing);
    }
    ::close(fd);
    return true;
}

bool makePrivateFolder(const std::string& path)
{
    const std::filesystem::path folder(path);
    if (folder.has_parent_path() && folder.parent_path() != folder) paths::makeDirectories(folder.parent_path());
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return tightenPrivateFolder(path);
}

}  // namespace core
