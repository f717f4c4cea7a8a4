#include "platform/linux/FolderExchange.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace linuxdesktop {

FolderExchange exchangeFolders(const std::string& first, const std::string& second)
{
    // Through the system call, so that a C library older than the kernel cannot refuse it.
    if (::syscall(SYS_renameat2, AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0)
        return FolderExchange::exchanged;
    // EINVAL: a filesystem without the flag (vfat, older network filesystems); ENOSYS: a
    // kernel before 3.15 or a sandbox that filters the call.
    return errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ? FolderExchange::refused : FolderExchange::failed;
}

int exchangeStatus(FolderExchange result)
{
    switch (result) {
    case FolderExchange::exchanged: return 0;
    case FolderExchange::refused: return 3;
    case FolderExchange::failed: return 1;
    }
    return 1;
}

}  // namespace linuxdesktop
