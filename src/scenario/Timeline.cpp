#include "scenario/Timeline.h"

#include "platform/dispatch/ManualScheduler.h"

#include <QCoreApplication>
#include <QEvent>

#include <cmath>

namespace scenario {
namespace {

constexpr double slicesPerSecond = 100;

void deliverPostedEvents()
{
    if (!QCoreApplication::instance()) return;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

Timeline::Timeline(dispatch::ManualScheduler& scheduler, const app::Application& app) : scheduler_(scheduler), app_(app)
{
}

bool Timeline::running() const { return !app_.exitStatus(); }

bool Timeline::settle()
{
    scheduler_.runUntilIdle();
    deliverPostedEvents();
    return running();
}

bool Timeline::advanceTo(double time)
{
    while (running()) {
        const double now = scheduler_.now();
        // Slice ends are whole hundredths, computed by division so that they print as such.
        const double next = std::min(time, (std::floor(now * slicesPerSecond + 1e-6) + 1) / slicesPerSecond);
        if (next <= now) return settle();
        scheduler_.advanceTo(next);
        deliverPostedEvents();
    }
    return false;
}

}  // namespace scenario
