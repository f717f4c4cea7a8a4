#include "platform/ui/MainQueueDriver.h"

#include "platform/dispatch/ThreadScheduler.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <thread>

namespace ui {
namespace {

class MainQueuePump;

// The pump as wakers on other threads see it: gone once the application object is.
struct PumpHandle {
    std::mutex mutex;
    MainQueuePump* pump = nullptr;
};

// Lives on the GUI thread as a child of the application object. Wakers on any thread
// post a drain to it; a drain re-arms the timer for the next delayed task.
class MainQueuePump : public QObject {
public:
    MainQueuePump(dispatch::ThreadScheduler& scheduler, std::shared_ptr<PumpHandle> handle, QObject* parent)
        : QObject(parent), scheduler_(scheduler), generation_(dispatch::schedulerGeneration()), handle_(std::move(handle))
    {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, [this] { drain(); });
        std::lock_guard lock(handle_->mutex);
        handle_->pump = this;
    }

    ~MainQueuePump() override
    {
        std::lock_guard lock(handle_->mutex);
        handle_->pump = nullptr;
    }

    // Any thread, with the handle's mutex held.
    void wake()
    {
        if (drainPosted_.exchange(true)) return;
        QMetaObject::invokeMethod(
            this, [this] { drain(); }, Qt::QueuedConnection);
    }

private:
    void drain()
    {
        drainPosted_ = false;
        if (dispatch::schedulerGeneration() != generation_) {
            // Another scheduler took over; this one may be gone already.
            timer_.stop();
            deleteLater();
            return;
        }
        const double next = scheduler_.drainMain();
        if (next < 0) {
            timer_.stop();
            return;
        }
        timer_.start(static_cast<int>(std::ceil(next * 1000)));
    }

    dispatch::ThreadScheduler& scheduler_;
    const std::uint64_t generation_;
    const std::shared_ptr<PumpHandle> handle_;
    QTimer timer_;
    std::atomic<bool> drainPosted_{false};
};

}  // namespace

void runMainQueueOnQt(dispatch::ThreadScheduler& scheduler)
{
    auto* app = QCoreApplication::instance();
    if (!app) return;
    scheduler.setMainThread(std::this_thread::get_id());

    auto handle = std::make_shared<PumpHandle>();
    new MainQueuePump(scheduler, handle, app);
    const auto wake = [handle](double) {
        std::lock_guard lock(handle->mutex);
        if (handle->pump) handle->pump->wake();
    };
    scheduler.setMainWaker(wake);
    wake(0);  // work queued before now
}

}  // namespace ui
