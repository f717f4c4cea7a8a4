#include "platform/sim/SimUrlLoading.h"

#include "platform/desktop/UrlBodySink.h"
#include "platform/desktop/UrlRedirects.h"
#include "platform/sim/SimWorld.h"

#include <algorithm>

namespace sim {

using desktop::UrlLoadError;

namespace {

// A body paced by bytesPerSecond arrives in pieces of a tenth of a second.
constexpr double pieceSeconds = 0.1;

class ScriptedLoad : public desktop::UrlLoad, public std::enable_shared_from_this<ScriptedLoad> {
public:
    ScriptedLoad(std::shared_ptr<SimWorld> world, ScriptedServer server, desktop::UrlRequest request,
                 desktop::UrlLoadHandlers handlers)
        : world_(std::move(world)),
          server_(std::move(server)),
          request_(std::move(request)),
          handlers_(std::move(handlers)),
          sink_(request_),
          method_(request_.method),
          url_(request_.url)
    {
    }

    void begin()
    {
        if (request_.totalTimeout > 0)
            handlers_.queue.asyncAfter(request_.totalTimeout, [self = shared_from_this()] {
                self->finish(UrlLoadError::timedOut, "total time-out");
            });
        handlers_.queue.async([self = shared_from_this()] { self->hop(); });
    }

    void cancel() override
    {
        handlers_.queue.async([self = shared_from_this()] { self->finish(UrlLoadError::cancelled, "cancelled"); });
    }

private:
    // Runs next after the gap, unless the idle time-out ends the load first.
    void after(double gap, std::function<void()> next)
    {
        auto self = shared_from_this();
        if (request_.idleTimeout > 0 && gap > request_.idleTimeout) {
            handlers_.queue.asyncAfter(request_.idleTimeout,
                                       [self] { self->finish(UrlLoadError::timedOut, "idle time-out"); });
            return;
        }
        handlers_.queue.asyncAfter(gap, [self, next = std::move(next)] {
            if (!self->finished_) next();
        });
    }

    void hop()
    {
        if (finished_) return;
        route_ = server_.route(method_, url_);
        if (!route_) return finish(UrlLoadError::hostNotFound, "no route for " + method_ + " " + url_);
        after(route_->delay, [this] { arrive(); });
    }

    void arrive()
    {
        if (route_->error) return finish(*route_->error, "scripted error");
        if (route_->redirect.empty()) return answer();
        const auto target = desktop::resolveLocation(url_, route_->redirect);
        if (!target) return finish(UrlLoadError::other, "unusable redirect " + route_->redirect);
        const bool dropsBody = desktop::redirectDropsBody(method_, route_->status);
        if (const auto refusal = desktop::redirectRefusal(url_, *target, carriesBody_ && !dropsBody, redirects_))
            return finish(*refusal, "redirect to " + *target);
        if (dropsBody) {
            method_ = "GET";
            carriesBody_ = false;
        }
        ++redirects_;
        url_ = *target;
        hop();
    }

    void answer()
    {
        head_ = desktop::UrlResponseHead{route_->status, url_, route_->headers, std::int64_t(route_->body.size())};
        if (auto refusal = sink_.refusalOfLength(head_->expectedLength))
            return finish(UrlLoadError::other, std::move(*refusal));
        if (handlers_.onResponse && !handlers_.onResponse(*head_))
            return finish(UrlLoadError::cancelled, "answer refused");
        if (auto problem = sink_.open()) return finish(UrlLoadError::other, std::move(*problem));
        deliverable_ = std::min<std::uint64_t>(route_->body.size(), route_->truncateAfter.value_or(route_->body.size()));
        sendPiece();
    }

    void sendPiece()
    {
        if (sent_ >= deliverable_) {
            if (deliverable_ < route_->body.size()) return finish(UrlLoadError::connectionLost, "connection dropped");
            return finish(std::nullopt, {});
        }
        const double pace = route_->bytesPerSecond;
        const std::uint64_t piece =
            pace > 0 ? std::max<std::uint64_t>(1, std::uint64_t(pace * pieceSeconds)) : deliverable_;
        const std::uint64_t size = std::min(piece, deliverable_ - sent_);
        const auto deliver = [this, size] {
            if (auto problem = sink_.keep(route_->body.data() + sent_, size))
                return finish(UrlLoadError::other, std::move(*problem));
            sent_ += size;
            if (handlers_.onProgress) handlers_.onProgress(sent_, head_->expectedLength);
            sendPiece();
        };
        if (pace > 0)
            after(double(size) / pace, deliver);
        else
            deliver();
    }

    void finish(std::optional<UrlLoadError> error, std::string detail)
    {
        if (finished_) return;
        finished_ = true;
        sink_.close(error.has_value());
        desktop::UrlLoadResult result;
        result.error = error;
        result.errorDetail = std::move(detail);
        if (head_) result.head = *head_;
        result.bytesReceived = sink_.bytesReceived();
        result.body = sink_.takeBody();

        nlohmann::json event{{"do", "http"}, {"method", request_.method}, {"url", request_.url}};
        event["status"] = head_ ? nlohmann::json(head_->status) : nlohmann::json(nullptr);
        if (!request_.body.empty()) event["body"] = request_.body;
        if (error) event["error"] = std::string(desktop::urlLoadErrorName(*error));
        world_->record(std::move(event));
        if (handlers_.onFinished) handlers_.onFinished(result);
    }

    const std::shared_ptr<SimWorld> world_;
    const ScriptedServer server_;
    const desktop::UrlRequest request_;
    const desktop::UrlLoadHandlers handlers_;
    desktop::UrlBodySink sink_;
    std::string method_;
    std::string url_;
    int redirects_ = 0;
    bool carriesBody_ = !request_.body.empty();
    std::optional<ScriptedRoute> route_;
    std::optional<desktop::UrlResponseHead> head_;
    std::uint64_t deliverable_ = 0;
    std::uint64_t sent_ = 0;
    bool finished_ = false;
};

}  // namespace

SimUrlLoading::SimUrlLoading(std::shared_ptr<SimWorld> world) : world_(std::move(world)) {}

void SimUrlLoading::setRoutes(std::vector<ScriptedRoute> routes)
{
    std::lock_guard lock(mutex_);
    server_.setRoutes(std::move(routes));
}

std::shared_ptr<desktop::UrlLoad> SimUrlLoading::start(desktop::UrlRequest request, desktop::UrlLoadHandlers handlers)
{
    ScriptedServer server;
    {
        std::lock_guard lock(mutex_);
        server = server_;
    }
    auto load = std::make_shared<ScriptedLoad>(world_, std::move(server), std::move(request), std::move(handlers));
    load->begin();
    return load;
}

}  // namespace sim
