#include "app/ProcessExit.h"

#include "platform/defaults/Defaults.h"

#include <QCoreApplication>
#include <QThread>

#include <unistd.h>

namespace app {
namespace {

bool onMainThread()
{
    const auto* application = QCoreApplication::instance();
    return !application || QThread::currentThread() == application->thread();
}

}  // namespace

void ProcessExit::exit(int status)
{
    // The diagnostics log writes each line as it comes; the settings wait 50 ms.
    defaults::Defaults::standard().flush();
    if (!onMainThread()) ::_exit(status);
    if (!*status_) *status_ = status;
}

}  // namespace app
