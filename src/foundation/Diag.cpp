#include "foundation/Diag.h"

#include "platform/core/Paths.h"
#include "platform/dispatch/Queue.h"

#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace Diag {
namespace {

constexpr long long rotationSize = 4 * 1024 * 1024;
constexpr int callsPerSizeCheck = 256;

struct Log {
    std::mutex lock;
    std::optional<std::string> path;
    bool resolved = false;
    int handle = -1;
    int writesSinceSizeCheck = 0;

    const std::optional<std::string>& fileURL()
    {
        if (!resolved) {
            resolved = true;
            path.reset();
            if (const auto folder = core::paths::applicationSupport()) {
                core::paths::makeDirectories(*folder);
                path = *folder + "/diag.log";
            }
        }
        return path;
    }

    void dropHandle()
    {
        if (handle >= 0) ::close(handle);
        handle = -1;
    }

    // O_APPEND puts every write at the current end of the file, the seek-to-end the log
    // needs, without a separate call.
    bool openHandle()
    {
        if (handle >= 0) return true;
        handle = ::open(path->c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        return handle >= 0;
    }

    bool writeAll(const std::string& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(handle, bytes.data() + done, bytes.size() - done);
            if (n < 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    void rotateIfNeeded()
    {
        if (++writesSinceSizeCheck < callsPerSizeCheck) return;
        writesSinceSizeCheck = 0;
        struct stat info {};
        if (::stat(path->c_str(), &info) != 0) return;
        if (info.st_size <= rotationSize) return;
        dropHandle();
        const std::string older = path->substr(0, path->size() - 4) + ".1.log";
        std::remove(older.c_str());
        std::rename(path->c_str(), older.c_str());
    }

    void append(const std::string& line)
    {
        std::lock_guard guard(lock);
        if (!fileURL()) return;
        rotateIfNeeded();
        if (openHandle() && writeAll(line)) return;
        // Never start the log afresh: reopen (recreating a deleted file) and try once more,
        // else drop this line.
        dropHandle();
        if (openHandle() && writeAll(line)) return;
        dropHandle();
    }
};

Log& theLog()
{
    static Log log;
    return log;
}

}  // namespace

void log(const std::string& message)
{
    const std::tm time = dispatch::localTime();
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", time.tm_hour, time.tm_min, time.tm_sec);
    std::string line;
    line.reserve(message.size() + 10);
    line += stamp;
    line += message;
    line += '\n';
    theLog().append(line);
}

const std::optional<std::string>& fileURL()
{
    Log& log = theLog();
    std::lock_guard guard(log.lock);
    return log.fileURL();
}

void resetLocation()
{
    Log& log = theLog();
    std::lock_guard guard(log.lock);
    log.dropHandle();
    log.resolved = false;
    log.writesSinceSizeCheck = 0;
}

}  // namespace Diag
