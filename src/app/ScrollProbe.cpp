#include "app/ScrollProbe.h"

#include "foundation/Diag.h"
#include "foundation/LogText.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/SignalPipe.h"
#include "platform/ui/Window.h"

#include <QPainter>
#include <QWheelEvent>

#include <cmath>
#include <csignal>
#include <memory>

namespace ScrollProbe {

namespace {

bool active = false;
// From the start of a run until the signals that came during it have been handled: a
// burst of SIGUSR1 then costs one run, not one run each.
bool busy = false;
// The test window's view got a scroll event during the current injection.
bool received = false;

constexpr double probeSide = 120;
constexpr double wheelPixels = -30;

// The probe's own point form: "(x,y)", truncated.
std::string probePoint(core::Point p)
{
    return "(" + std::to_string(static_cast<long long>(p.x)) + "," + std::to_string(static_cast<long long>(p.y)) + ")";
}

class ProbeScrollContentView : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor::fromRgbF(0, 0, 1, 0.3)); }

    void wheelEvent(QWheelEvent* event) override
    {
        if (!active) return;
        received = true;
        const QPointF local = event->position();
        Diag::log("探针v3: 测试窗口收到scroll delta=" + core::numberText(event->angleDelta().y() / 120.0) +
                  " loc=" + core::pointText({local.x(), height() - local.y()}));
    }
};

void injectAndTrack(core::Point home, const std::string& tag)
{
    desktop::Input& input = desktop::input();
    input.warpPointer(home);
    dispatch::sleepFor(0.05);
    received = false;

    desktop::Event scroll;
    scroll.type = desktop::EventType::scrollWheel;
    scroll.location = home;
    scroll.scrollDeltaY = wheelPixels;
    scroll.userData = marker;

    const core::Point before = input.pointerLocation();
    input.postEvent(scroll);
    dispatch::sleepFor(0.25);
    const core::Point after = input.pointerLocation();
    const long long moved = static_cast<long long>(std::hypot(after.x - before.x, after.y - before.y));
    Diag::log("探针[" + tag + "] 接收窗收到=" + boolText(received) + " 光标 前=" + probePoint(before) + " 250ms后=" +
              probePoint(after) + " 移动=" + std::to_string(moved) + "px" + (moved < 3 ? " ✓不动" : " ←光标被移动!"));
}

}  // namespace

void install()
{
    ui::SignalPipe::handle(SIGUSR1, [] {
        if (busy) {
            Diag::log("滚动探针: 上一轮尚未结束，丢弃这次 SIGUSR1");
            return;
        }
        run();
    });
}

bool isActive() { return active; }

void run()
{
    if (active) return;
    active = true;
    busy = true;
    Diag::log("═══ 滚动探针v6开始 ═══");
    desktop::Input& input = desktop::input();
    const core::Point home = input.pointerLocation();
    Diag::log("p0=" + probePoint(home));

    const double flipHeight = desktop::firstScreenHeight(desktop::displays());
    auto window = std::make_unique<ui::Window>(
        core::Rect{home.x + 240, flipHeight - (home.y - 60) - probeSide, probeSide, probeSide});
    window->setLevel(desktop::level::floating);
    window->setContentView(new ProbeScrollContentView);
    window->orderFrontRegardless();
    dispatch::sleepFor(0.15);

    injectAndTrack(home, "Q1-field21窗口号");
    injectAndTrack(home, "Q2-field21+location");

    window->orderOut();
    input.warpPointer(home);
    dispatch::sleepFor(0.05);
    Diag::log("═══ 滚动探针v6结束 ═══");
    active = false;
    // The main thread was blocked: the signals that came meanwhile are read now, a quit
    // among them first, and the probes among them find the run still going.
    ui::SignalPipe::drain();
    dispatch::main().async([] { busy = false; });
}

}  // namespace ScrollProbe
