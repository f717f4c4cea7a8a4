#include "app/HungQuitGuard.h"

#include "foundation/Diag.h"
#include "platform/defaults/Defaults.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"
#include "platform/ui/SignalPipe.h"

#include <atomic>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace app {
namespace {

constexpr double checkInterval = 0.25;
// The quit's own steps each take a main-queue turn of far less.
constexpr double patience = 1.0;

// Touched by the timer's ticks only, which never overlap, and the main queue's answer.
struct Guard {
    dispatch::Timer timer;
    std::optional<double> askedAt;
    std::atomic<bool> answered{false};
};

void check(Guard& guard)
{
    if (!ui::SignalPipe::quitArrived()) return;
    const double now = dispatch::now();
    if (!guard.askedAt || guard.answered.exchange(false)) {
        guard.askedAt = now;
        dispatch::main().async([&guard] { guard.answered = true; });
        return;
    }
    if (now - *guard.askedAt < patience) return;
    Diag::log("退出：主线程 1 秒未响应（X 服务器可能被其他程序占住）⇒ 写好设置后直接退出");
    defaults::Defaults::standard().flush();
    std::fflush(nullptr);
    ::_exit(0);
}

}  // namespace

void endQuitsThatHang()
{
    // Never freed: tasks on the main queue may answer it to the end.
    auto* guard = new Guard;
    guard->timer = dispatch::Timer(dispatch::global(), checkInterval, [guard] { check(*guard); });
}

}  // namespace app
