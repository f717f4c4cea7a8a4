#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace dispatch {

// Every task a serial or global worker runs passes through it, so that the workers can be
// stopped all at once.
class WorkerGate {
public:
    // False once closed: the worker then ends instead of running the task.
    bool enter()
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        ++running_;
        return true;
    }

    void leave()
    {
        std::lock_guard lock(mutex_);
        --running_;
        condition_.notify_all();
    }

    bool close(double timeoutSeconds)
    {
        std::unique_lock lock(mutex_);
        closed_ = true;
        const auto timeout = std::chrono::duration<double>(timeoutSeconds > 0 ? timeoutSeconds : 0.0);
        return condition_.wait_for(lock, timeout, [this] { return running_ == 0; });
    }

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool closed_ = false;
    int running_ = 0;
};

}  // namespace dispatch
