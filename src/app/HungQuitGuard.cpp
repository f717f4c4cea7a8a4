#include "app/HungQuitGuard.h"

#include "foundation/Diag.h"
#include "platform/defaults/Defaults.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"
#include "platform/ui/SignalPipe.h"

#include <atomic>
#include <cstdio>
#include <optional>
#include <utility>
#include <unistd.h>

namespace app {
namespace {

constexpr double checkInterval = 0.25;
// The quit's own steps each take a main-queue turn of far less.
constexpr double patience = 1.0;
// A main thread silent this long is stuck, whatever holds it (a reply the server never
// sends, a wait that never ends); a busy one on a loaded machine answers well before.
constexpr double lastPatience = 10.0;

// Touched by the timer's ticks only, which never overlap, and the main queue's answer.
struct Guard {
    std::function<std::optional<double>()> serverUnansweredFor;
    dispatch::Timer timer;
    std::optional<double> askedAt;
    std::atomic<bool> answered{false};
};

void check(Guard& guard)
{
    if (!ui::SignalPipe::quitArrived()) return;
    const auto serverWait = guard.serverUnansweredFor();
    const double now = dispatch::now();
    if (!guard.askedAt || guard.answered.exchange(false)) {
        guard.askedAt = now;
        dispatch::main().async([&guard] { guard.answered = true; });
        return;
    }
    // A main thread that is only slow (a busy machine) still puts taken-over windows back.
    const double silence = now - *guard.askedAt;
    const bool serverHeld = serverWait && *serverWait >= patience;
    if (silence < patience || (!serverHeld && silence < lastPatience)) return;
    Diag::log(serverHeld ? "退出：主线程与 X 服务器都 1 秒未响应（服务器被其他程序占住）⇒ 写好设置后直接退出"
                         : "退出：主线程 10 秒未响应 ⇒ 写好设置后直接退出");
    defaults::Defaults::standard().flush();
    std::fflush(nullptr);
    ::_exit(0);
}

}  // namespace

void endQuitsThatHang(std::function<std::optional<double>()> serverUnansweredFor)
{
    // Never freed: tasks on the main queue may answer it to the end.
    auto* guard = new Guard;
    guard->serverUnansweredFor = std::move(serverUnansweredFor);
    guard->timer = dispatch::Timer(dispatch::global(), checkInterval, [guard] { check(*guard); });
}

}  // namespace app
