#include "app/ProcessExit.h"

#include "platform/defaults/Defaults.h"

#include <QCoreApplication>
#include <QThread>

#include <unistd.h>

#include <utility>

namespace app {
namespace {

std::function<void(int)>& liveHandler()
{
    static std::function<void(int)> handler;
    return handler;
}

bool onMainThread()
{
    const auto* application = QCoreApplication::instance();
    return !application || QThread::currentThread() == application->thread();
}

}  // namespace

void ProcessExit::setLiveHandler(std::function<void(int status)> handler)
{
    liveHandler() = std::move(handler);
}

void ProcessExit::exit(int status)
{
    // The diagnostics log writes each line as it comes; the settings wait 50 ms.
    defaults::Defaults::standard().flush();
    if (!onMainThread()) ::_exit(status);
    if (*status_) return;
    *status_ = status;
    if (liveHandler()) liveHandler()(status);
}

}  // namespace app
