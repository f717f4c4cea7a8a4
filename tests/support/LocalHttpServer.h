#pragma once

#include <httplib.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace testsupport {

// An HTTP server on 127.0.0.1 at a free port, for loads that must really cross a socket.
// Add routes through server(), then start(); going, it stops and joins its thread.
class LocalHttpServer {
public:
    // With a certificate and key (PEM files) it speaks TLS.
    LocalHttpServer();
    LocalHttpServer(const std::string& certificatePath, const std::string& keyPath);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    httplib::Server& server() { return *server_; }
    // Fails the test when the server is not running within 5 s.
    void start();
    int port() const { return port_; }
    // "http://127.0.0.1:<port><path>" (https with TLS).
    std::string url(const std::string& path) const;

    // Canned answers.
    void serve(const std::string& path, int status, const std::string& body);
    // Ends the body by closing the connection: no declared length.
    void serveWithoutLength(const std::string& path, const std::string& body);
    // Declares the whole body's length and closes the connection after `sent` bytes.
    void serveTruncated(const std::string& path, const std::string& body, std::size_t sent);
    // One chunk every `interval` seconds, `chunks` times.
    void serveSlowly(const std::string& path, const std::string& chunk, int chunks, double interval);
    void redirect(const std::string& path, const std::string& location, int status = 302);

    // Sleeps in short slices so that stopping never waits long; false once it stops.
    bool pause(double seconds) const;

private:
    void bind();

    std::unique_ptr<httplib::Server> server_;
    bool tls_ = false;
    int port_ = 0;
    std::atomic<bool> stopping_ = false;
    std::thread thread_;
};

}  // namespace testsupport
