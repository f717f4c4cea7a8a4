#pragma once

#include "platform/desktop/UrlLoading.h"

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace linuxdesktop {

// URL loading with libcurl: every load runs on one thread of its own through one multi
// handle. Time-outs run on real time. Loads still running when it goes end cancelled.
// The loader thread waits on the caller's queue for its verdict on a head, so it must not
// be destroyed from a queue a running load reports to.
class CurlUrlLoading : public desktop::UrlLoading {
public:
    CurlUrlLoading();
    ~CurlUrlLoading() override;
    CurlUrlLoading(const CurlUrlLoading&) = delete;
    CurlUrlLoading& operator=(const CurlUrlLoading&) = delete;

    std::shared_ptr<desktop::UrlLoad> start(desktop::UrlRequest request, desktop::UrlLoadHandlers handlers) override;

    struct Transfer;

private:
    void run();
    void begin(const std::shared_ptr<Transfer>& transfer);
    void completed(Transfer& transfer, int code);
    void finish(Transfer& transfer, std::optional<desktop::UrlLoadError> error, std::string detail = {});

    void* multi_ = nullptr;
    std::mutex mutex_;
    std::vector<std::shared_ptr<Transfer>> incoming_;
    bool stopping_ = false;
    std::vector<std::shared_ptr<Transfer>> active_;  // the loader thread's own
    std::thread thread_;
};

}  // namespace linuxdesktop
