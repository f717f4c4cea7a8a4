#include "platform/ui/SignalPipe.h"

#include "platform/dispatch/Queue.h"

#include <QSocketNotifier>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <memory>
#include <unistd.h>
#include <vector>

namespace ui::SignalPipe {
namespace {

constexpr std::array caught = {SIGUSR1, SIGUSR2, SIGTERM, SIGINT};

// Written by the signal handler, read on the main thread.
int writeEnd = -1;
int readEnd = -1;
// Set by the signal handler: a lock-free atomic is safe to store there.
std::atomic<bool> quitSignalled{false};
static_assert(std::atomic<bool>::is_always_lock_free);

struct Reader {
    std::unique_ptr<QSocketNotifier> notifier;
    std::map<int, std::function<void()>> handlers;
};

Reader& reader()
{
    static Reader state;
    return state;
}

bool isQuit(int signalNumber) { return signalNumber == SIGTERM || signalNumber == SIGINT; }

void onSignal(int signalNumber)
{
    if (isQuit(signalNumber)) quitSignalled.store(true);
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe drops the signal: the reader is already behind by thousands of them.
    [[maybe_unused]] const auto written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

bool isCaught(int signalNumber)
{
    for (const int caughtSignal : caught)
        if (caughtSignal == signalNumber) return true;
    return false;
}

bool makePipe()
{
    if (readEnd >= 0) return true;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    readEnd = ends[0];
    writeEnd = ends[1];
    reader().notifier = std::make_unique<QSocketNotifier>(readEnd, QSocketNotifier::Read);
    QObject::connect(reader().notifier.get(), &QSocketNotifier::activated, [] { drain(); });
    return true;
}

}  // namespace

bool handle(int signalNumber, std::function<void()> handler)
{
    if (!isCaught(signalNumber) || !makePipe()) return false;
    reader().handlers[signalNumber] = std::move(handler);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(signalNumber, &action, nullptr) == 0;
}

void drain()
{
    if (readEnd < 0) return;
    std::vector<int> arrived;
    unsigned char buffer[64];
    ssize_t count;
    while ((count = ::read(readEnd, buffer, sizeof buffer)) > 0) arrived.insert(arrived.end(), buffer, buffer + count);
    // A quit goes ahead of whatever came with it: a burst of slow debug signals must not
    // keep the process from ending.
    std::stable_partition(arrived.begin(), arrived.end(), isQuit);
    for (const int signalNumber : arrived) {
        const auto found = reader().handlers.find(signalNumber);
        if (found != reader().handlers.end() && found->second) dispatch::main().async(found->second);
    }
}

bool quitArrived() { return quitSignalled.load(); }

void reset()
{
    for (const int signalNumber : caught) std::signal(signalNumber, SIG_DFL);
    reader().handlers.clear();
    drain();  // signals that came before are dropped with their handlers
}

}  // namespace ui::SignalPipe
