#include "support/LocalHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>

namespace testsupport {

LocalHttpServer::LocalHttpServer() : server_(std::make_unique<httplib::Server>()) { bind(); }

LocalHttpServer::LocalHttpServer(const std::string& certificatePath, const std::string& keyPath)
    : server_(std::make_unique<httplib::SSLServer>(certificatePath.c_str(), keyPath.c_str())), tls_(true)
{
    bind();
}

void LocalHttpServer::bind()
{
    // One request per connection: a kept-alive connection would hold the stop for seconds.
    server_->set_keep_alive_max_count(1);
    port_ = server_->bind_to_any_port("127.0.0.1");
}

LocalHttpServer::~LocalHttpServer()
{
    stopping_ = true;
    // A stop before the server runs is lost and the join would hang, so only a running
    // server is stopped (start made sure it got there).
    if (thread_.joinable()) {
        server_->stop();
        thread_.join();
    }
}

void LocalHttpServer::start()
{
    ASSERT_GT(port_, 0) << "no port to bind";
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server_->is_running()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the local server did not start";
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string LocalHttpServer::url(const std::string& path) const
{
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + path;
}

void LocalHttpServer::serve(const std::string& path, int status, const std::string& body)
{
    server_->Get(path, [status, body](const httplib::Request&, httplib::Response& response) {
        response.status = status;
        response.set_content(body, "application/octet-stream");
    });
}

void LocalHttpServer::serveWithoutLength(const std::string& path, const std::string& body)
{
    server_->Get(path, [body](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider("application/octet-stream", [body](std::size_t offset, httplib::DataSink& sink) {
            if (offset < body.size())
                sink.write(body.data() + offset, body.size() - offset);
            else
                sink.done();
            return true;
        });
    });
}

void LocalHttpServer::serveTruncated(const std::string& path, const std::string& body, std::size_t sent)
{
    server_->Get(path, [body, sent](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(body.size(), "application/octet-stream",
                                      [body, sent](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                          if (offset >= sent) return false;  // drops the connection
                                          return sink.write(body.data() + offset, sent - offset);
                                      });
    });
}

void LocalHttpServer::serveSlowly(const std::string& path, const std::string& chunk, int chunks, double interval)
{
    server_->Get(path, [this, chunk, chunks, interval](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider(
            "application/octet-stream", [this, chunk, chunks, interval](std::size_t offset, httplib::DataSink& sink) {
                if (offset >= chunk.size() * std::size_t(chunks)) {
                    sink.done();
                    return true;
                }
                return pause(interval) && sink.write(chunk.data(), chunk.size());
            });
    });
}

void LocalHttpServer::redirect(const std::string& path, const std::string& location, int status)
{
    const auto answer = [location, status](const httplib::Request&, httplib::Response& response) {
        response.set_redirect(location, status);
    };
    server_->Get(path, answer);
    server_->Post(path, answer);
}

bool LocalHttpServer::pause(double seconds) const
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + duration_cast<steady_clock::duration>(duration<double>(seconds));
    while (!stopping_) {
        const steady_clock::duration left = deadline - steady_clock::now();
        if (left <= steady_clock::duration::zero()) return true;
        std::this_thread::sleep_for(std::min<steady_clock::duration>(left, milliseconds(50)));
    }
    return false;
}

}  // namespace testsupport
