#include "foundation/Diag.h"

#include "platform/core/Paths.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Scheduler.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <string_view>
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

// "HH:mm:ss " of the current local time. Formatting is the costly part of a line, so each
// thread keeps the stamp of the last second it saw (for the scheduler it saw it under).
std::string_view timeStamp()
{
    thread_local std::uint64_t generation = 0;
    thread_local long long second = LLONG_MIN;
    thread_local char stamp[9];
    const std::uint64_t currentGeneration = dispatch::schedulerGeneration();
    const auto currentSecond = static_cast<long long>(std::floor(dispatch::wallClock()));
    if (currentGeneration != generation || currentSecond != second) {
        const std::tm time = dispatch::localTime();
        const int fields[] = {time.tm_hour, time.tm_min, time.tm_sec};
        for (int i = 0; i < 3; ++i) {
            stamp[3 * i] = static_cast<char>('0' + fields[i] / 10 % 10);
            stamp[3 * i + 1] = static_cast<char>('0' + fields[i] % 10);
            stamp[3 * i + 2] = i < 2 ? ':' : ' ';
        }
        generation = currentGeneration;
        second = currentSecond;
    }
    return {stamp, sizeof stamp};
}

}  // namespace

void log(const std::string& message)
{
    // Each thread reuses its line buffer, so a line costs no allocation.
    thread_local std::string line;
    line.assign(timeStamp());
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
