#include "platform/sim/SimUrlLoading.h"
#include "support/SimDesktopTest.h"

#include <filesystem>

namespace {

using desktop::UrlLoadError;

struct Heard {
    std::optional<double> headAt;
    std::optional<desktop::UrlResponseHead> head;
    std::vector<std::uint64_t> progress;
    std::optional<double> finishedAt;
    std::optional<desktop::UrlLoadResult> result;
};

class SimUrlLoadingTest : public testsupport::SimDesktopTest {
protected:
    sim::SimUrlLoading& loading() { return static_cast<sim::SimUrlLoading&>(*desktop().urlLoading); }

    static sim::ScriptedRoute at(const std::string& url, int status, const std::string& body)
    {
        sim::ScriptedRoute route;
        route.url = url;
        route.status = status;
        route.body = body;
        return route;
    }

    // Starts the load; it runs as the clock advances.
    std::shared_ptr<Heard> start(desktop::UrlRequest request, std::shared_ptr<desktop::UrlLoad>* running = nullptr)
    {
        auto heard = std::make_shared<Heard>();
        auto load = loading().start(
            std::move(request),
            {.queue = dispatch::main(),
             .onResponse =
                 [heard](const desktop::UrlResponseHead& head) {
                     heard->headAt = dispatch::now();
                     heard->head = head;
                     return head.status < 400;
                 },
             .onProgress = [heard](std::uint64_t received, std::int64_t) { heard->progress.push_back(received); },
             .onFinished =
                 [heard](const desktop::UrlLoadResult& result) {
                     EXPECT_FALSE(heard->result) << "one result";
                     heard->finishedAt = dispatch::now();
                     heard->result = result;
                 }});
        if (running) *running = load;
        return heard;
    }

    std::shared_ptr<Heard> run(desktop::UrlRequest request)
    {
        auto heard = start(std::move(request));
        clock().advance(100);
        EXPECT_TRUE(heard->result);
        return heard;
    }

    static desktop::UrlRequest get(const std::string& url, double idleTimeout = 30)
    {
        desktop::UrlRequest request;
        request.url = url;
        request.idleTimeout = idleTimeout;
        return request;
    }
};

}  // namespace

TEST_F(SimUrlLoadingTest, RoutesAnswerByMethodAndAddressOrByPathOnAnyHost)
{
    auto manifest = at("https://updates.example/manifest.json", 200, "{}");
    manifest.delay = 2;
    manifest.headers = {{"Content-Type", "application/json"}};
    auto anyHost = at("", 200, "elsewhere");
    anyHost.path = "/manifest.json";
    auto crash = at("", 201, "");
    crash.path = "/crash";
    crash.method = "POST";
    loading().setRoutes({anyHost, manifest, crash});

    const auto exact = run(get("https://updates.example/manifest.json"));
    EXPECT_EQ(exact->headAt, 2.0);
    EXPECT_EQ(exact->result->body, "{}") << "a whole address goes before a path";
    EXPECT_EQ(exact->result->head.header("content-type"), "application/json");
    EXPECT_EQ(exact->result->head.expectedLength, 2);

    EXPECT_EQ(run(get("https://mirror.example/manifest.json?x=1"))->result->body, "elsewhere");

    auto post = get("https://reports.example/crash");
    post.method = "POST";
    post.body = "report";
    EXPECT_EQ(run(post)->result->head.status, 201);
    // The same path with another method has no route.
    const auto wrongMethod = run(get("https://reports.example/crash"));
    EXPECT_EQ(wrongMethod->result->error, UrlLoadError::hostNotFound);
    EXPECT_FALSE(wrongMethod->head);

    const auto lines = journalOf("http");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0]["url"], "https://updates.example/manifest.json");
    EXPECT_EQ(lines[0]["method"], "GET");
    EXPECT_EQ(lines[0]["status"], 200);
    EXPECT_FALSE(lines[0].contains("body"));
    EXPECT_EQ(lines[2]["method"], "POST");
    EXPECT_EQ(lines[2]["body"], "report");
    EXPECT_EQ(lines[2]["status"], 201);
    EXPECT_TRUE(lines[3]["status"].is_null());
    EXPECT_EQ(lines[3]["error"], "hostNotFound");
}

TEST_F(SimUrlLoadingTest, PacedAndTruncatedBodiesReachTheCallerInPieces)
{
    auto paced = at("https://dl.example/paced", 200, std::string(1000, 'p'));
    paced.bytesPerSecond = 1000;
    auto cut = at("https://dl.example/cut", 200, std::string(1000, 'c'));
    cut.truncateAfter = 300;
    auto missing = at("https://dl.example/missing", 404, "error page");
    loading().setRoutes({paced, cut, missing});

    const auto whole = run(get("https://dl.example/paced"));
    EXPECT_TRUE(whole->result->ok());
    EXPECT_EQ(whole->progress.size(), 10u);
    EXPECT_EQ(whole->progress.back(), 1000u);
    EXPECT_NEAR(*whole->finishedAt, 1.0, 1e-9);

    const auto truncated = run(get("https://dl.example/cut"));
    EXPECT_EQ(truncated->result->error, UrlLoadError::connectionLost);
    EXPECT_EQ(truncated->result->head.expectedLength, 1000);
    EXPECT_EQ(truncated->result->bytesReceived, 300u);

    const std::string file = home() + "/download";
    auto download = get("https://dl.example/paced");
    download.downloadPath = file;
    EXPECT_TRUE(run(download)->result->ok());
    EXPECT_EQ(testsupport::readFile(file), std::string(1000, 'p'));
    std::filesystem::remove(file);
    download.url = "https://dl.example/cut";
    run(download);
    EXPECT_FALSE(std::filesystem::exists(file)) << "a failed download leaves no file";
    download.url = "https://dl.example/missing";
    EXPECT_EQ(run(download)->result->error, UrlLoadError::cancelled) << "the caller refused the error page";
    EXPECT_FALSE(std::filesystem::exists(file));

    auto capped = get("https://dl.example/paced");
    capped.maxBytes = 999;
    EXPECT_EQ(run(capped)->result->error, UrlLoadError::other);
}

TEST_F(SimUrlLoadingTest, RedirectsErrorsTimeOutsAndCancelling)
{
    auto hop = at("https://a.example/hop", 302, "");
    hop.redirect = "/target";
    auto target = at("https://a.example/target", 200, "arrived");
    auto loop = at("https://a.example/loop", 301, "");
    loop.redirect = "https://a.example/loop";
    auto plain = at("https://a.example/plain", 302, "");
    plain.redirect = "http://a.example/target";
    auto local = at("https://a.example/local", 302, "");
    local.redirect = "http://127.0.0.1/service";
    auto sendOn = at("https://a.example/send-on", 307, "");
    sendOn.method = "POST";
    sendOn.redirect = "https://b.example/target";
    auto refused = at("https://a.example/refused", 200, "");
    refused.delay = 3;
    refused.error = UrlLoadError::refused;
    auto slow = at("https://a.example/slow", 200, "");
    slow.delay = 5;
    auto trickle = at("https://a.example/trickle", 200, std::string(100, 't'));
    trickle.bytesPerSecond = 10;
    auto service = at("http://127.0.0.1/service", 200, "local");
    loading().setRoutes({hop, target, loop, plain, local, service, sendOn, refused, slow, trickle});

    const auto followed = run(get("https://a.example/hop"));
    EXPECT_EQ(followed->result->body, "arrived");
    EXPECT_EQ(followed->result->head.url, "https://a.example/target");
    EXPECT_EQ(run(get("https://a.example/loop"))->result->error, UrlLoadError::tooManyRedirects);
    EXPECT_EQ(run(get("https://a.example/plain"))->result->error, UrlLoadError::insecureRedirect);
    EXPECT_EQ(run(get("https://a.example/local"))->result->error, UrlLoadError::insecureRedirect);
    auto post = get("https://a.example/send-on");
    post.method = "POST";
    post.body = "report";
    EXPECT_EQ(run(post)->result->error, UrlLoadError::insecureRedirect);
    post.body.clear();
    EXPECT_EQ(run(post)->result->error, UrlLoadError::hostNotFound) << "followed: b.example has no POST route";

    const double refusedStart = dispatch::now();
    const auto failed = run(get("https://a.example/refused"));
    EXPECT_EQ(failed->result->error, UrlLoadError::refused);
    EXPECT_NEAR(*failed->finishedAt - refusedStart, 3.0, 1e-9) << "after the route's delay";

    const double idleStart = dispatch::now();
    const auto idle = run(get("https://a.example/slow", 1));
    EXPECT_EQ(idle->result->error, UrlLoadError::timedOut);
    EXPECT_NEAR(*idle->finishedAt - idleStart, 1.0, 1e-9);

    auto total = get("https://a.example/trickle");
    total.totalTimeout = 2.05;
    const double totalStart = dispatch::now();
    const auto stopped = run(total);
    EXPECT_EQ(stopped->result->error, UrlLoadError::timedOut);
    EXPECT_NEAR(*stopped->finishedAt - totalStart, 2.05, 1e-9);
    EXPECT_EQ(stopped->progress.size(), 20u);

    std::shared_ptr<desktop::UrlLoad> running;
    const auto cancelled = start(get("https://a.example/trickle"), &running);
    clock().advance(0.55);
    running->cancel();
    clock().advance(100);
    EXPECT_EQ(cancelled->result->error, UrlLoadError::cancelled);
    EXPECT_EQ(cancelled->result->bytesReceived, 5u);
}
