#include "platform/linux/CurlUrlLoading.h"

#include "platform/desktop/UrlBodySink.h"
#include "platform/desktop/UrlRedirects.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>

namespace linuxdesktop {

using desktop::UrlLoadError;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto progressInterval = std::chrono::milliseconds(100);
constexpr int pollMilliseconds = 50;

double secondsSince(Clock::time_point then) { return std::chrono::duration<double>(Clock::now() - then).count(); }

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

UrlLoadError errorOf(CURLcode code)
{
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return UrlLoadError::timedOut;
    case CURLE_COULDNT_RESOLVE_HOST: return UrlLoadError::hostNotFound;
    case CURLE_COULDNT_CONNECT: return UrlLoadError::refused;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING: return UrlLoadError::connectionLost;
    case CURLE_PEER_FAILED_VERIFICATION: return UrlLoadError::certificateUntrusted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR: return UrlLoadError::tlsFailed;
    default: return UrlLoadError::other;
    }
}

}  // namespace

struct CurlUrlLoading::Transfer : desktop::UrlLoad, std::enable_shared_from_this<Transfer> {
    Transfer(desktop::UrlRequest request, desktop::UrlLoadHandlers handlers)
        : request(std::move(request)),
          handlers(std::move(handlers)),
          method(this->request.method),
          url(this->request.url),
          body(this->request.body),
          firstOrigin(desktop::originOf(url)),
          sink(this->request)
    {
    }
    ~Transfer() override
    {
        if (easy) curl_easy_cleanup(easy);
        curl_slist_free_all(headerList);
    }

    void cancel() override { cancelRequested = true; }

    const desktop::UrlRequest request;
    const desktop::UrlLoadHandlers handlers;
    std::atomic<bool> cancelRequested = false;

    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    Clock::time_point started = Clock::now();
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastUp = 0;
    curl_off_t lastDown = 0;

    // The hop under way.
    std::string method;
    std::string url;
    std::string body;
    int redirects = 0;
    const std::optional<std::string> firstOrigin;
    desktop::HttpHeaders hopHeaders;
    bool hopRedirects = false;  // this hop's answer is a redirect: its body is dropped

    // The final answer.
    bool headDecided = false;
    desktop::UrlLoadResult result;
    desktop::UrlBodySink sink;
    Clock::time_point lastProgress{};
    std::uint64_t reportedBytes = 0;
    // Why a callback stopped the transfer.
    std::optional<UrlLoadError> abortReason;
    std::string abortDetail;
    bool finished = false;

    bool abort(UrlLoadError reason, std::string detail)
    {
        abortReason = reason;
        abortDetail = std::move(detail);
        return false;
    }

    void applyHop();
    // Takes the answer of this hop as the final one; false stops the transfer.
    bool decideHead();
    bool keep(const char* data, std::size_t size);
    void reportProgress(bool force);
};

namespace {

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& transfer = *static_cast<CurlUrlLoading::Transfer*>(user);
    const std::string_view line(data, size * count);
    transfer.lastActivity = Clock::now();
    if (line.starts_with("HTTP/")) {
        // A new status line: an interim answer or the next hop's.
        transfer.hopHeaders.clear();
    } else if (const auto colon = line.find(':'); colon != std::string_view::npos) {
        transfer.hopHeaders.emplace_back(trimmed(line.substr(0, colon)), trimmed(line.substr(colon + 1)));
    }
    return size * count;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& transfer = *static_cast<CurlUrlLoading::Transfer*>(user);
    transfer.lastActivity = Clock::now();
    if (!transfer.headDecided && !transfer.decideHead()) return 0;
    if (transfer.hopRedirects) return size * count;
    return transfer.keep(data, size * count) ? size * count : 0;
}

int onTransferInfo(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up)
{
    auto& transfer = *static_cast<CurlUrlLoading::Transfer*>(user);
    if (down != transfer.lastDown || up != transfer.lastUp) {
        transfer.lastDown = down;
        transfer.lastUp = up;
        transfer.lastActivity = Clock::now();
    }
    return 0;
}

}  // namespace

void CurlUrlLoading::Transfer::applyHop()
{
    hopHeaders.clear();
    hopRedirects = false;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    // The caller's headers may carry keys meant for the server it asked.
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, desktop::originOf(url) == firstOrigin ? headerList : nullptr);
    if (method == "GET") {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        return;
    }
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, body.c_str());
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method == "POST" ? nullptr : method.c_str());
}

bool CurlUrlLoading::Transfer::decideHead()
{
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    char* location = nullptr;
    curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location);
    if (status >= 300 && status < 400 && location) {
        hopRedirects = true;
        return true;
    }
    headDecided = true;
    result.head.status = int(status);
    result.head.url = url;
    result.head.headers = hopHeaders;
    curl_off_t length = -1;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    result.head.expectedLength = length;
    if (auto refusal = sink.refusalOfLength(length)) return abort(UrlLoadError::other, std::move(*refusal));
    if (handlers.onResponse) {
        const bool accepted = handlers.queue.syncResult([&] { return handlers.onResponse(result.head); });
        if (!accepted) return abort(UrlLoadError::cancelled, "answer refused");
        // The caller's time is not the server's silence.
        lastActivity = Clock::now();
    }
    if (auto problem = sink.open()) return abort(UrlLoadError::other, std::move(*problem));
    return true;
}

bool CurlUrlLoading::Transfer::keep(const char* data, std::size_t size)
{
    if (auto problem = sink.keep(data, size)) return abort(UrlLoadError::other, std::move(*problem));
    reportProgress(false);
    return true;
}

void CurlUrlLoading::Transfer::reportProgress(bool force)
{
    if (!handlers.onProgress || reportedBytes == sink.bytesReceived()) return;
    if (!force && Clock::now() - lastProgress < progressInterval) return;
    lastProgress = Clock::now();
    reportedBytes = sink.bytesReceived();
    handlers.queue.async([onProgress = handlers.onProgress, received = reportedBytes,
                          expected = result.head.expectedLength] { onProgress(received, expected); });
}

CurlUrlLoading::CurlUrlLoading()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    multi_ = curl_multi_init();
    thread_ = std::thread([this] { run(); });
}

CurlUrlLoading::~CurlUrlLoading()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    curl_multi_wakeup(multi_);
    thread_.join();
    curl_multi_cleanup(multi_);
}

std::shared_ptr<desktop::UrlLoad> CurlUrlLoading::start(desktop::UrlRequest request, desktop::UrlLoadHandlers handlers)
{
    auto transfer = std::make_shared<Transfer>(std::move(request), std::move(handlers));
    {
        std::lock_guard lock(mutex_);
        incoming_.push_back(transfer);
    }
    curl_multi_wakeup(multi_);
    return transfer;
}

void CurlUrlLoading::run()
{
    for (;;) {
        std::vector<std::shared_ptr<Transfer>> arrived;
        bool stopping = false;
        {
            std::lock_guard lock(mutex_);
            arrived.swap(incoming_);
            stopping = stopping_;
        }
        for (auto& transfer : arrived) begin(transfer);
        if (stopping) break;

        int running = 0;
        curl_multi_perform(multi_, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
            if (message->msg != CURLMSG_DONE) continue;
            Transfer* transfer = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
            completed(*transfer, message->data.result);
        }
        for (auto& transfer : active_) {
            const auto& request = transfer->request;
            if (transfer->cancelRequested)
                finish(*transfer, UrlLoadError::cancelled, "cancelled");
            else if (request.idleTimeout > 0 && secondsSince(transfer->lastActivity) > request.idleTimeout)
                finish(*transfer, UrlLoadError::timedOut, "idle time-out");
            else if (request.totalTimeout > 0 && secondsSince(transfer->started) > request.totalTimeout)
                finish(*transfer, UrlLoadError::timedOut, "total time-out");
        }
        std::erase_if(active_, [](const auto& transfer) { return transfer->finished; });
        curl_multi_poll(multi_, nullptr, 0, pollMilliseconds, nullptr);
    }
    for (auto& transfer : active_) finish(*transfer, UrlLoadError::cancelled, "loader stopped");
    active_.clear();
}

void CurlUrlLoading::begin(const std::shared_ptr<Transfer>& transfer)
{
    active_.push_back(transfer);
    if (!desktop::parseHttpAddress(transfer->url)) {
        finish(*transfer, UrlLoadError::other, "not an http(s) address");
        return;
    }
    CURL* easy = curl_easy_init();
    transfer->easy = easy;
    curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, onTransferInfo);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, transfer.get());
    for (const auto& [name, value] : transfer->request.headers)
        transfer->headerList = curl_slist_append(transfer->headerList, (name + ": " + value).c_str());
    transfer->applyHop();
    curl_multi_add_handle(multi_, easy);
}

void CurlUrlLoading::completed(Transfer& transfer, int code)
{
    if (transfer.finished) return;
    if (transfer.abortReason) return finish(transfer, transfer.abortReason, transfer.abortDetail);
    if (code != CURLE_OK) return finish(transfer, errorOf(CURLcode(code)), curl_easy_strerror(CURLcode(code)));
    if (!transfer.headDecided && !transfer.decideHead())
        return finish(transfer, transfer.abortReason, transfer.abortDetail);
    if (transfer.headDecided) return finish(transfer, std::nullopt);

    // This hop was a redirect.
    char* location = nullptr;
    curl_easy_getinfo(transfer.easy, CURLINFO_REDIRECT_URL, &location);
    const std::string target = location ? location : "";
    long status = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
    const bool dropsBody = desktop::redirectDropsBody(transfer.method, int(status));
    const bool resendsBody = !dropsBody && !transfer.body.empty();
    if (const auto refusal = desktop::redirectRefusal(transfer.url, target, resendsBody, transfer.redirects))
        return finish(transfer, refusal, "redirect to " + target);
    if (dropsBody) {
        transfer.method = "GET";
        transfer.body.clear();
    }
    ++transfer.redirects;
    transfer.url = target;
    curl_multi_remove_handle(multi_, transfer.easy);
    transfer.applyHop();
    curl_multi_add_handle(multi_, transfer.easy);
}

void CurlUrlLoading::finish(Transfer& transfer, std::optional<UrlLoadError> error, std::string detail)
{
    if (transfer.finished) return;
    transfer.finished = true;
    if (transfer.easy) curl_multi_remove_handle(multi_, transfer.easy);
    transfer.sink.close(error.has_value());
    transfer.result.bytesReceived = transfer.sink.bytesReceived();
    transfer.result.body = transfer.sink.takeBody();
    transfer.result.error = error;
    transfer.result.errorDetail = std::move(detail);
    if (!error) transfer.reportProgress(true);
    if (transfer.handlers.onFinished)
        transfer.handlers.queue.async(
            [onFinished = transfer.handlers.onFinished, result = transfer.result] { onFinished(result); });
}

}  // namespace linuxdesktop
