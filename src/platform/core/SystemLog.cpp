#include "platform/core/SystemLog.h"

#include <cstdio>
#include <mutex>

namespace core::systemLog {
namespace {

std::mutex& sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

Sink& installedSink()
{
    static Sink sink;
    return sink;
}

}  // namespace

void write(const std::string& line)
{
    std::lock_guard lock(sinkMutex());
    if (installedSink()) {
        installedSink()(line);
        return;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

void setSink(Sink sink)
{
    std::lock_guard lock(sinkMutex());
    installedSink() = std::move(sink);
}

}  // namespace core::systemLog
