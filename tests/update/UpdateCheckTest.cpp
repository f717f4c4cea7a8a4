#include "platform/defaults/Defaults.h"
#include "platform/linux/CurlUrlLoading.h"
#include "support/LocalHttpServer.h"
#include "support/TestCertificate.h"
#include "update/UpdaterFixture.h"

#include <gmock/gmock.h>

#include <chrono>
#include <thread>

namespace {

using testing::ElementsAre;
using testing::HasSubstr;

defaults::Defaults& store() { return defaults::Defaults::standard(); }

class UpdateCheckTest : public testsupport::UpdaterTest {
protected:
    void SetUp() override
    {
        UpdaterTest::SetUp();
        noticeToken = AppUpdate::didChange().addObserver([this] { ++notices; });
    }
    void TearDown() override
    {
        AppUpdate::didChange().removeObserver(noticeToken);
        UpdaterTest::TearDown();
    }

    // One check to its end; none when done was not called.
    std::optional<UpdateOutcome> checkOnce(bool manual = false)
    {
        std::optional<UpdateOutcome> outcome;
        AppUpdate::check(manual, [&](const UpdateOutcome& result) {
            EXPECT_TRUE(dispatch::main().isCurrent());
            EXPECT_FALSE(outcome) << "done runs once";
            outcome = result;
        });
        advanceUntil([&] { return outcome.has_value(); });
        return outcome;
    }

    int notices = 0;
    ChangeNotice::Token noticeToken = 0;
};

// The real loader against a local server: answers cross a socket, so the main queue is
// pumped on real time until the check is done.
class UpdateCheckOverNetworkTest : public UpdateCheckTest {
protected:
    void SetUp() override
    {
        UpdateCheckTest::SetUp();
        desktop().urlLoading = std::make_shared<linuxdesktop::CurlUrlLoading>();
        server.serve("/v1.json", 200, manifestJSON(newerManifest()));
        server.serve("/missing.json", 404, "not here");
        server.serve("/broken.json", 500, "");
        server.serve("/empty.json", 200, "");
        server.serve("/garbled.json", 200, "{oops");
        server.serve("/huge.json", 200, std::string(2 << 20, ' '));
        server.redirect("/loop.json", "/loop.json");
        server.start();
        if (!UpdateInstaller::acceptableURL(server.url("/v1.json"))) GTEST_SKIP() << "needs the download address rule";
    }
    void TearDown() override
    {
        desktop().urlLoading.reset();
        UpdateCheckTest::TearDown();
    }

    std::optional<UpdateOutcome> checkAt(const std::string& url)
    {
        store().set("updateManifestURL", url);
        std::optional<UpdateOutcome> outcome;
        AppUpdate::check(true, [&](const UpdateOutcome& result) { outcome = result; });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (!outcome && std::chrono::steady_clock::now() < deadline) {
            clock().runUntilIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return outcome;
    }

    testsupport::LocalHttpServer server;
};

}  // namespace

TEST_F(UpdateCheckOverNetworkTest, FailuresKeepTheOfferYetStampAndApply)
{
    const UpdateManifest offered = newerManifest();
    ASSERT_EQ(checkAt(server.url("/v1.json")), UpdateOutcome::update(offered));
    EXPECT_EQ(AppUpdate::available(), offered);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase::available(offered));
    EXPECT_THAT(linesWith("更新检查: 清单"),
                ElementsAre("更新检查: 清单 版本 9.1.0 build " + std::to_string(offered.build) + "（本地 " +
                            std::to_string(AppUpdate::currentBuild()) + "） 灰度 全量 → 有更新"));

    struct Failure {
        std::string path;
        std::string reason;
        std::string line;
    };
    const std::vector<Failure> failures = {
        {"/missing.json", "更新服务器返回错误码 404", "更新检查: 服务器返回 404（静默忽略）"},
        {"/broken.json", "更新服务器返回错误码 500", "更新检查: 服务器返回 500（静默忽略）"},
        {"/empty.json", "更新服务器返回的清单看不懂", "更新检查: 清单解析失败（0 字节，静默忽略）"},
        {"/garbled.json", "更新服务器返回的清单看不懂", "更新检查: 清单解析失败（5 字节，静默忽略）"},
        {"/loop.json", "网络请求未完成", "更新检查: 拉取失败 URLError -1007 "},
        {"/huge.json", "网络请求未完成", "更新检查: 拉取失败 URLError -1 "},
    };
    for (const auto& failure : failures) {
        store().remove("updateLastCheckAt");
        UpdateInstaller::setPhase({});
        EXPECT_EQ(checkAt(server.url(failure.path)), UpdateOutcome::failed(failure.reason)) << failure.path;
        EXPECT_NEAR(store().number("updateLastCheckAt").value_or(0), dispatch::wallClock(), 0.1) << failure.path;
        EXPECT_EQ(AppUpdate::available(), offered) << failure.path;
        EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase::available(offered)) << "applied anyway: " << failure.path;
        EXPECT_THAT(diagLines().back(), HasSubstr(failure.line));
    }
    EXPECT_EQ(notices, 1);
    EXPECT_THAT(diagLines().back(), HasSubstr("（静默忽略，不影响使用）"));
}

TEST_F(UpdateCheckOverNetworkTest, AnUntrustedCertificateIsATlsFailure)
{
    testsupport::TempDir folder;
    const std::string certificate = folder.path() + "/server.pem";
    const std::string key = folder.path() + "/server.key";
    testsupport::writeSelfSignedCertificate(certificate, key);
    testsupport::LocalHttpServer tlsServer(certificate, key);
    tlsServer.serve("/v1.json", 200, manifestJSON(newerManifest()));
    tlsServer.start();

    EXPECT_EQ(checkAt(tlsServer.url("/v1.json")), UpdateOutcome::failed("更新服务器的安全连接建立失败"));
    EXPECT_THAT(diagLines().back(), HasSubstr("更新检查: 拉取失败 URLError -1202 "));
    EXPECT_FALSE(AppUpdate::available());
}

TEST_F(UpdateCheckTest, AnAddressThatIsNotAcceptableFailsAtOnceWithoutAStamp)
{
    for (const std::string address : {"not a url", "http://example.com/v1.json", "ftp://updates.glimra.app/v1.json"}) {
        store().set("updateManifestURL", address);
        EXPECT_FALSE(AppUpdate::manifestURL()) << address;
        std::optional<UpdateOutcome> outcome;
        AppUpdate::check(false, [&](const UpdateOutcome& result) { outcome = result; });
        EXPECT_EQ(outcome, UpdateOutcome::failed("更新地址配置无效")) << "at once, on the caller's thread";
        EXPECT_EQ(diagLines().back(), "更新检查: 端点无效");
    }
    clock().runUntilIdle();
    EXPECT_FALSE(store().contains("updateLastCheckAt"));
    EXPECT_TRUE(journalOf("http").empty());

    // Empty or not a text: the built-in endpoint.
    store().set("updateManifestURL", "");
    EXPECT_EQ(AppUpdate::manifestURL(), "https://updates.glimra.app/v1.json");
    store().set("updateManifestURL", 7);
    EXPECT_EQ(AppUpdate::manifestURL(), "https://updates.glimra.app/v1.json");
}

TEST_F(UpdateCheckTest, AnOfferChangesOnlyWithTheFindingAndTheAnswerMustComeWithinTenSeconds)
{
    const UpdateManifest offered = newerManifest();
    serveManifest(offered);
    EXPECT_EQ(checkOnce(true), UpdateOutcome::update(offered));
    EXPECT_EQ(notices, 1);
    EXPECT_THAT(linesWith("更新检查: 开始"),
                ElementsAre("更新检查: 开始（手动）当前 " + AppUpdate::currentShortVersion() + " build " +
                            std::to_string(AppUpdate::currentBuild()) + " → https://updates.glimra.app/v1.json"));

    EXPECT_EQ(checkOnce(), UpdateOutcome::update(offered));
    EXPECT_EQ(notices, 1) << "the same offer posts nothing";

    UpdateManifest staged = offered;
    staged.rolloutPercent = 0;
    serveManifest(staged);
    EXPECT_EQ(checkOnce(), UpdateOutcome::upToDate());
    EXPECT_EQ(notices, 2);
    EXPECT_FALSE(AppUpdate::available());
    EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase{});
    EXPECT_THAT(diagLines().back(), HasSubstr(" 灰度 0% → 本次不提示"));

    serve({route("/v1.json", 200, manifestJSON(offered), 9.5)});
    EXPECT_EQ(checkOnce(), UpdateOutcome::update(offered));
    serve({route("/v1.json", 200, manifestJSON(offered), 10.5)});
    EXPECT_EQ(checkOnce(), UpdateOutcome::failed("连接更新服务器超时"));
    EXPECT_THAT(diagLines().back(), HasSubstr("更新检查: 拉取失败 URLError -1001 "));
    EXPECT_EQ(AppUpdate::available(), offered);
    EXPECT_EQ(notices, 3);

    serve({});
    EXPECT_EQ(checkOnce(), UpdateOutcome::failed("找不到更新服务器（域名解析失败）"));
}

TEST_F(UpdateCheckTest, TheLaunchCheckWaitsADayBetweenChecksAndEightSecondsAfterLaunch)
{
    serveManifest(newerManifest());
    const double now = dispatch::wallClock();
    for (const auto& [ago, shown] : std::vector<std::pair<double, std::string>>{{23.9, "23"}, {-1.5, "-1"}}) {
        store().set("updateLastCheckAt", now - ago * 3600);
        AppUpdate::autoCheckOnLaunch();
        EXPECT_EQ(diagLines().back(), "更新检查: 距上次 " + shown + "h，本次跳过（节流 24h）");
    }
    clock().advance(30);
    EXPECT_TRUE(linesWith("更新检查: 开始").empty());

    std::size_t checks = 0;
    for (const nlohmann::json& stored : {nlohmann::json(now - 24 * 3600), nlohmann::json("yesterday")}) {
        store().set("updateLastCheckAt", stored);
        AppUpdate::autoCheckOnLaunch();
        clock().advance(7.9);
        EXPECT_EQ(linesWith("更新检查: 开始").size(), checks);
        clock().advance(0.2);
        advanceUntil([&] { return linesWith("更新检查: 清单").size() == checks + 1; });
        EXPECT_EQ(linesWith("更新检查: 开始（自动）").size(), ++checks);
        EXPECT_NEAR(store().number("updateLastCheckAt").value_or(0), dispatch::wallClock(), 0.5);
    }
    EXPECT_TRUE(alerts->records().empty()) << "an automatic check never shows anything";
}
