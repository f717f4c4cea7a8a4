#include "platform/desktop/UrlRedirects.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/linux/CurlUrlLoading.h"
#include "support/LocalHttpServer.h"
#include "support/TestCertificate.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <future>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using desktop::UrlLoadError;

// What a caller heard, in order.
struct Heard {
    std::vector<std::string> events;
    std::optional<desktop::UrlResponseHead> head;
    std::vector<std::pair<std::uint64_t, std::int64_t>> progress;
    desktop::UrlLoadResult result;
};

class CurlUrlLoadingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
        loading = std::make_unique<linuxdesktop::CurlUrlLoading>();
    }
    void TearDown() override
    {
        loading.reset();
        dispatch::install(nullptr);
    }

    desktop::UrlRequest get(const std::string& path)
    {
        desktop::UrlRequest request;
        request.url = server.url(path);
        request.idleTimeout = 5;
        return request;
    }

    // Runs the load to its end; refuses the body when accept says so.
    Heard load(desktop::UrlRequest request, std::function<bool(const desktop::UrlResponseHead&)> accept = nullptr,
               std::function<void(desktop::UrlLoad&)> whileRunning = nullptr)
    {
        auto heard = std::make_shared<Heard>();
        std::promise<void> done;
        desktop::UrlLoadHandlers handlers{
            .queue = callerQueue,
            .onResponse =
                [heard, accept](const desktop::UrlResponseHead& head) {
                    EXPECT_TRUE(heard->events.empty()) << "the head comes first and once";
                    heard->events.push_back("head");
                    heard->head = head;
                    return accept ? accept(head) : true;
                },
            .onProgress =
                [heard](std::uint64_t received, std::int64_t expected) {
                    heard->events.push_back("progress");
                    heard->progress.emplace_back(received, expected);
                },
            .onFinished =
                [heard, &done](const desktop::UrlLoadResult& result) {
                    heard->events.push_back("finished");
                    heard->result = result;
                    done.set_value();
                },
        };
        const auto running = loading->start(std::move(request), std::move(handlers));
        if (whileRunning) whileRunning(*running);
        EXPECT_EQ(done.get_future().wait_for(std::chrono::seconds(15)), std::future_status::ready);
        // Nothing more arrives after the end.
        callerQueue.sync([] {});
        EXPECT_EQ(heard->events.back(), "finished");
        return *heard;
    }

    std::string downloadPath() const { return folder.path() + "/partial"; }

    testsupport::LocalHttpServer server;
    testsupport::TempDir folder;
    dispatch::Queue callerQueue{"caller"};
    std::unique_ptr<linuxdesktop::CurlUrlLoading> loading;
};

// A port on loopback that nothing listens on.
int closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

}  // namespace

TEST_F(CurlUrlLoadingTest, AnswersComeHeadFirstWithTheirLengthAndProgress)
{
    const std::string body(300000, 'x');
    server.serve("/sized", 200, body);
    server.serveWithoutLength("/unsized", body);
    server.serve("/missing", 404, "not here");
    server.serve("/broken", 500, "");
    server.server().Post("/echo", [](const httplib::Request& request, httplib::Response& response) {
        response.set_content(request.method + " " + request.get_header_value("X-Test") + " " + request.body,
                             "text/plain");
        response.set_header("X-Answer", "yes");
    });
    server.start();

    const auto sized = load(get("/sized"));
    ASSERT_TRUE(sized.result.ok()) << sized.result.errorDetail;
    EXPECT_EQ(sized.result.head.status, 200);
    EXPECT_EQ(sized.head->expectedLength, std::int64_t(body.size()));
    EXPECT_EQ(sized.result.body, body);
    ASSERT_FALSE(sized.progress.empty());
    EXPECT_EQ(sized.progress.back(), std::make_pair(std::uint64_t(body.size()), std::int64_t(body.size())));

    const auto unsized = load(get("/unsized"));
    ASSERT_TRUE(unsized.result.ok()) << unsized.result.errorDetail;
    EXPECT_EQ(unsized.result.body, body);
    EXPECT_EQ(unsized.head->expectedLength, -1);
    EXPECT_EQ(unsized.progress.back(), std::make_pair(std::uint64_t(body.size()), std::int64_t(-1)));

    // Error pages are answers, for the caller to judge.
    const auto missing = load(get("/missing"));
    EXPECT_TRUE(missing.result.ok());
    EXPECT_EQ(missing.result.head.status, 404);
    EXPECT_EQ(missing.result.body, "not here");
    EXPECT_EQ(load(get("/broken")).result.head.status, 500);

    auto post = get("/echo");
    post.method = "POST";
    post.headers = {{"X-Test", "header"}, {"Content-Type", "text/plain"}};
    post.body = "the body";
    const auto echoed = load(post);
    EXPECT_EQ(echoed.result.body, "POST header the body");
    EXPECT_EQ(echoed.result.head.header("x-answer"), "yes");
    EXPECT_EQ(echoed.events, (std::vector<std::string>{"head", "progress", "finished"}));
}

TEST_F(CurlUrlLoadingTest, ADownloadWritesANewPrivateFileOnlyForAnAcceptedAnswer)
{
    const std::string body(100000, 'p');
    server.serve("/package", 200, body);
    server.serve("/missing", 404, "error page");
    server.serveTruncated("/short", body, 1000);
    server.start();

    auto request = get("/package");
    request.downloadPath = downloadPath();
    const auto downloaded = load(request);
    ASSERT_TRUE(downloaded.result.ok()) << downloaded.result.errorDetail;
    EXPECT_TRUE(downloaded.result.body.empty());
    EXPECT_EQ(downloaded.result.bytesReceived, body.size());
    EXPECT_EQ(testsupport::readFile(downloadPath()), body);
    struct stat info {};
    ASSERT_EQ(::stat(downloadPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // An existing file is never written through or over.
    const auto again = load(request);
    EXPECT_EQ(again.result.error, UrlLoadError::other);
    EXPECT_EQ(testsupport::readFile(downloadPath()), body);
    std::filesystem::remove(downloadPath());

    // The caller sees the status before any byte lands and refuses the error page.
    request.url = server.url("/missing");
    const auto refused = load(request, [](const desktop::UrlResponseHead& head) { return head.status == 200; });
    EXPECT_EQ(refused.head->status, 404);
    EXPECT_EQ(refused.result.error, UrlLoadError::cancelled);
    EXPECT_FALSE(std::filesystem::exists(downloadPath()));

    request.url = server.url("/short");
    const auto truncated = load(request);
    EXPECT_EQ(truncated.result.error, UrlLoadError::connectionLost);
    EXPECT_FALSE(std::filesystem::exists(downloadPath())) << "a partial file is removed";
}

TEST_F(CurlUrlLoadingTest, TransportFailuresAreTyped)
{
    server.serveSlowly("/slow", "s", 20, 0.05);
    server.serveSlowly("/stalls", "s", 2, 1.0);
    server.start();

    auto request = get("/");
    request.url = "http://127.0.0.1:" + std::to_string(closedPort()) + "/";
    EXPECT_EQ(load(request).result.error, UrlLoadError::refused);

    request.url = "http://glimra-test.invalid/";
    EXPECT_EQ(load(request).result.error, UrlLoadError::hostNotFound);

    request.url = "ftp://127.0.0.1/file";
    EXPECT_EQ(load(request).result.error, UrlLoadError::other);

    auto stalls = get("/stalls");
    stalls.idleTimeout = 0.5;
    const auto idle = load(stalls);
    EXPECT_EQ(idle.result.error, UrlLoadError::timedOut);
    EXPECT_EQ(idle.result.errorDetail, "idle time-out");

    // Steady bytes keep the idle time-out away but not the total one.
    auto slow = get("/slow");
    slow.idleTimeout = 0.5;
    EXPECT_TRUE(load(slow).result.ok());
    slow.totalTimeout = 0.3;
    const auto total = load(slow);
    EXPECT_EQ(total.result.error, UrlLoadError::timedOut);
    EXPECT_EQ(total.result.errorDetail, "total time-out");
}

TEST_F(CurlUrlLoadingTest, RedirectsAreFollowedWithinTheRules)
{
    server.serve("/target", 200, "arrived");
    server.redirect("/hop", "/target");
    server.redirect("/loop", "/loop");
    server.redirect("/plain", "http://example.com/target");
    server.redirect("/other-scheme", "file:///etc/passwd");
    server.redirect("/see-other", "/target", 303);
    server.start();

    const auto followed = load(get("/hop"));
    EXPECT_EQ(followed.result.body, "arrived");
    EXPECT_EQ(followed.result.head.url, server.url("/target"));
    EXPECT_EQ(followed.events.front(), "head") << "only the final answer is heard";

    auto post = get("/see-other");
    post.method = "POST";
    post.body = "dropped";
    EXPECT_EQ(load(post).result.body, "arrived") << "a 303 turns into a GET";

    EXPECT_EQ(load(get("/loop")).result.error, UrlLoadError::tooManyRedirects);
    EXPECT_EQ(load(get("/plain")).result.error, UrlLoadError::insecureRedirect);
    EXPECT_EQ(load(get("/other-scheme")).result.error, UrlLoadError::insecureRedirect);
}

TEST_F(CurlUrlLoadingTest, HeadersAndBodiesStayWithTheFirstOrigin)
{
    // Another port on the same host is another origin.
    testsupport::LocalHttpServer other;
    std::vector<std::string> heard;
    const auto record = [&heard](const httplib::Request& request, httplib::Response& response) {
        heard.push_back(request.method + " " + request.path + " key=" + request.get_header_value("X-Key") +
                        " body=" + request.body);
        response.set_content("arrived", "text/plain");
    };
    for (auto* each : {&server, &other}) {
        each->server().Get("/target", record);
        each->server().Post("/target", record);
    }
    other.start();
    server.redirect("/here", "/target");
    server.redirect("/away", other.url("/target"));
    server.redirect("/keep-here", "/target", 307);
    server.redirect("/keep-away", other.url("/target"), 308);
    server.start();

    const auto withKey = [&](const std::string& path, const std::string& method = "GET", const std::string& body = {}) {
        auto request = get(path);
        request.headers = {{"X-Key", "secret"}};
        request.method = method;
        request.body = body;
        return load(request).result;
    };
    EXPECT_TRUE(withKey("/here").ok());
    EXPECT_TRUE(withKey("/away").ok());
    EXPECT_TRUE(withKey("/keep-here", "POST", "report").ok());
    const auto refused = withKey("/keep-away", "POST", "report");
    EXPECT_EQ(refused.error, UrlLoadError::insecureRedirect);
    EXPECT_EQ(refused.errorDetail, "redirect to " + other.url("/target"));
    EXPECT_TRUE(withKey("/keep-away", "POST").ok()) << "a load without a body may follow a 308 anywhere";
    EXPECT_EQ(heard, (std::vector<std::string>{"GET /target key=secret body=", "GET /target key= body=",
                                               "POST /target key=secret body=report", "POST /target key= body="}));
}

TEST(UrlRedirectsTest, PlainHttpOnlyFromPlainHttpOntoLoopbackAndAtMostTenHops)
{
    const std::string secure = "https://example.com/a";
    const std::string local = "http://127.0.0.1:8080/a";
    EXPECT_FALSE(desktop::redirectRefusal(secure, "https://example.com/x", false, 0));
    EXPECT_FALSE(desktop::redirectRefusal(local, "http://127.0.0.1:8080/x", false, 9));
    EXPECT_FALSE(desktop::redirectRefusal(local, "http://localhost/x", false, 0));
    EXPECT_FALSE(desktop::redirectRefusal(local, "http://[::1]/x", false, 0));
    EXPECT_FALSE(desktop::redirectRefusal(local, "https://example.com/x", false, 0));
    EXPECT_EQ(desktop::redirectRefusal(secure, "https://example.com/x", false, 10), UrlLoadError::tooManyRedirects);
    for (const std::string target : {"http://127.0.0.1:8080/x", "http://localhost/x", "http://[::1]/x"})
        EXPECT_EQ(desktop::redirectRefusal(secure, target, false, 0), UrlLoadError::insecureRedirect) << target;
    EXPECT_EQ(desktop::redirectRefusal(local, "http://example.com/x", false, 0), UrlLoadError::insecureRedirect);
    EXPECT_EQ(desktop::redirectRefusal(local, "http://127.0.0.1.example.com/x", false, 0),
              UrlLoadError::insecureRedirect);
    EXPECT_EQ(desktop::redirectRefusal(local, "HTTP://127.example.com/x", false, 0), UrlLoadError::insecureRedirect);
    EXPECT_EQ(desktop::redirectRefusal(local, "ftp://127.0.0.1/x", false, 0), UrlLoadError::insecureRedirect);

    // A body is resent to its own origin only; the scheme's port is the same origin.
    EXPECT_FALSE(desktop::redirectRefusal(secure, "https://EXAMPLE.com:443/b", true, 0));
    EXPECT_EQ(desktop::redirectRefusal(secure, "https://example.com:8443/b", true, 0), UrlLoadError::insecureRedirect);
    EXPECT_EQ(desktop::redirectRefusal(secure, "https://other.example/b", true, 0), UrlLoadError::insecureRedirect);
    EXPECT_EQ(desktop::originOf("HTTPS://Example.com/x?q"), "https://example.com:443");
    EXPECT_EQ(desktop::originOf("http://[::1]:81/"), "http://[::1]:81");
    EXPECT_EQ(desktop::originOf("ftp://example.com/"), std::nullopt);

    EXPECT_EQ(desktop::resolveLocation("https://a.example/dir/x?q=1", "y"), "https://a.example/dir/y");
    EXPECT_EQ(desktop::resolveLocation("https://a.example/dir/x", "//b.example/z"), "https://b.example/z");
}

TEST_F(CurlUrlLoadingTest, TheByteCapAndCancellingEndTheLoad)
{
    const std::string body(5000, 'c');
    server.serve("/sized", 200, body);
    server.serveWithoutLength("/unsized", body);
    server.serveSlowly("/slow", "s", 100, 0.05);
    server.start();

    auto capped = get("/sized");
    capped.maxBytes = 4999;
    capped.downloadPath = downloadPath();
    const auto declared = load(capped);
    EXPECT_EQ(declared.result.error, UrlLoadError::other);
    EXPECT_FALSE(declared.head) << "a declared length over the cap ends it before the caller hears of it";
    EXPECT_FALSE(std::filesystem::exists(downloadPath()));

    capped.url = server.url("/unsized");
    const auto received = load(capped);
    EXPECT_EQ(received.result.error, UrlLoadError::other);
    EXPECT_FALSE(std::filesystem::exists(downloadPath()));
    capped.maxBytes = 5000;
    EXPECT_TRUE(load(capped).result.ok()) << "the cap itself is allowed";

    const auto started = std::chrono::steady_clock::now();
    const auto cancelled = load(get("/slow"), nullptr, [](desktop::UrlLoad& running) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        running.cancel();
        running.cancel();
    });
    EXPECT_EQ(cancelled.result.error, UrlLoadError::cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST_F(CurlUrlLoadingTest, TlsAnswersOnlyFromATrustedCertificate)
{
    const std::string certificate = folder.path() + "/server.pem";
    const std::string key = folder.path() + "/server.key";
    testsupport::writeSelfSignedCertificate(certificate, key);
    testsupport::LocalHttpServer tlsServer(certificate, key);
    tlsServer.serve("/manifest.json", 200, "{}");
    tlsServer.start();
    server.start();

    auto request = get("/");
    request.url = tlsServer.url("/manifest.json");
    const auto untrusted = load(request);
    EXPECT_EQ(untrusted.result.error, UrlLoadError::certificateUntrusted) << untrusted.result.errorDetail;
    EXPECT_FALSE(untrusted.head);

    // A server that speaks no TLS at all.
    request.url = "https://127.0.0.1:" + std::to_string(server.port()) + "/";
    EXPECT_EQ(load(request).result.error, UrlLoadError::tlsFailed);
}
