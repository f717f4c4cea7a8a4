#include "update/PackageDownload.h"
#include "update/UpdateInstaller.h"
#include "platform/core/Sha256.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/linux/CurlUrlLoading.h"
#include "support/DiagLines.h"
#include "support/ScopedEnvironment.h"
#include "support/LocalHttpServer.h"

#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using testing::StartsWith;
using Kind = UpdatePhase::Kind;

// Real threads, the real libcurl loader and a server on loopback; a data folder of the
// test's own, so that no package or log line of another test is found there.
class RealLoaderTest : public ::testing::Test {
protected:
    RealLoaderTest() { environment_.set("XDG_DATA_HOME", dataHome()); }

    void SetUp() override
    {
        scheduler_ = std::make_shared<dispatch::ThreadScheduler>();
        dispatch::install(scheduler_);
        desktop_ = std::make_shared<desktop::Desktop>();
        desktop_->urlLoading = std::make_shared<linuxdesktop::CurlUrlLoading>();
        desktop::install(desktop_);
        UpdateInstaller::setSuppressPrompts(true);
        UpdateInstaller::setPhase({});
    }
    void TearDown() override
    {
        runMain(0.1, [] { return false; });
        // The updater's state is the process's: the next test finds it as at launch.
        UpdateInstaller::setPhase({});
        UpdateInstaller::setSuppressPrompts(false);
        desktop::install(nullptr);
        desktop_.reset();
        dispatch::install(nullptr);
    }

    std::string dataHome() const { return home_.path() + "/data"; }

    // Runs the main queue on this thread until done() or seconds of real time.
    bool runMain(double seconds, const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) return false;
            scheduler_->drainMain();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    std::shared_ptr<dispatch::ThreadScheduler> scheduler_;
    std::shared_ptr<desktop::Desktop> desktop_;

private:
    testsupport::TempDir home_;
    testsupport::ScopedEnvironment environment_;
};

class PackageDownloadTest : public testsupport::WithDiagLines<RealLoaderTest> {
protected:
    void SetUp() override
    {
        WithDiagLines::SetUp();
        server.serve("/pkg", 200, package);
        server.start();
        token_ = UpdateInstaller::didChange().addObserver([this] { phases.push_back(UpdateInstaller::phase()); });
    }
    void TearDown() override
    {
        UpdateInstaller::didChange().removeObserver(token_);
        packagedownload::setByteCap(normalCap);
        WithDiagLines::TearDown();
    }

    UpdateManifest manifestFor(const std::string& path, std::optional<std::string> digest) const
    {
        UpdateManifest manifest{"1.2.0", 120};
        manifest.url = server.url(path);
        manifest.sha256 = std::move(digest);
        return manifest;
    }

    // Starts from available and runs the download to its end.
    void download(const UpdateManifest& manifest)
    {
        UpdateInstaller::setPhase(UpdatePhase::available(manifest));
        phases.clear();
        UpdateInstaller::startDownload(manifest);
        ASSERT_EQ(UpdateInstaller::phase().kind, Kind::downloading);
        ASSERT_TRUE(runMain(10, [] { return UpdateInstaller::phase().kind != Kind::downloading; }));
    }

    std::vector<std::string> updatesFolder() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dataHome() + "/Glimra/updates"))
            names.push_back(entry.path().filename().string());
        return names;
    }

    const std::uint64_t normalCap = packagedownload::byteCap();
    const std::string package = std::string(300000, 'p') + "end";
    const std::string destination = dataHome() + "/Glimra/updates/Glimra-1.2.0-120.tar.gz";
    testsupport::LocalHttpServer server;
    std::vector<UpdatePhase> phases;

private:
    ChangeNotice::Token token_ = 0;
};

TEST_F(PackageDownloadTest, AVerifiedPackageReplacesTheOldOneOnlyOnceVerified)
{
    std::filesystem::create_directories(dataHome() + "/Glimra/updates");
    testsupport::writeFile(destination, "an older package");
    std::string upper = core::sha256Hex(package);
    std::ranges::transform(upper, upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });

    bool oldUntilReady = true;
    const auto watch = UpdateInstaller::didChange().addObserver([&] {
        if (UpdateInstaller::phase().kind == Kind::downloading)
            oldUntilReady = oldUntilReady && testsupport::readFile(destination) == "an older package";
    });
    download(manifestFor("/pkg", upper));
    UpdateInstaller::didChange().removeObserver(watch);

    EXPECT_TRUE(oldUntilReady);
    EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase::ready(manifestFor("/pkg", upper), destination));
    EXPECT_EQ(testsupport::readFile(destination), package);
    EXPECT_THAT(updatesFolder(), ElementsAre("Glimra-1.2.0-120.tar.gz"));
    EXPECT_THAT(linesWith("更新下载: "), ElementsAre("更新下载: 开始 1.2.0 build 120 → " + server.url("/pkg"),
                                                     "更新下载: sha256 校验通过 " + core::sha256Hex(package),
                                                     "更新下载: 完成 Glimra-1.2.0-120.tar.gz（300003 字节）"));
    // Progress moves forward, at most once per whole percent.
    ASSERT_GE(phases.size(), 2u);
    EXPECT_LE(phases.size(), 102u);
    for (std::size_t i = 1; i + 1 < phases.size(); ++i) EXPECT_LT(phases[i - 1].fraction, phases[i].fraction);
}

TEST_F(PackageDownloadTest, WithoutALengthTheShareIsUnknownAndWithoutADigestTheFileIsTakenWithAWarning)
{
    server.serveWithoutLength("/unsized", package);
    download(manifestFor("/unsized", std::nullopt));

    EXPECT_EQ(UpdateInstaller::phase().kind, Kind::ready);
    const auto unknown = std::ranges::count_if(phases, [](const UpdatePhase& p) { return p.fraction == -1.0; });
    EXPECT_EQ(unknown, 1);
    ASSERT_EQ(phases.size(), 3u);  // downloading(0), downloading(-1), ready
    EXPECT_EQ(testsupport::readFile(destination), package);
    EXPECT_THAT(linesWith("sha256"), ElementsAre("更新下载: 清单没给 sha256，跳过校验（不推荐）"));
}

TEST_F(PackageDownloadTest, RefusedAndBrokenBodiesNeverBecomeThePackage)
{
    const std::string digest = core::sha256Hex(package);
    server.serve("/missing", 404, "<html>not here</html>");
    server.serveTruncated("/short", package, 1000);
    server.redirect("/away", "http://198.51.100.7/pkg");
    server.serve("/big", 200, std::string(5000, 'b'));
    server.serveWithoutLength("/bigStream", std::string(300000, 'b'));

    struct Case {
        std::string path;
        std::optional<std::string> digest;
        std::string logLine;
        std::uint64_t cap = 0;  // 0: the normal cap
    };
    const std::vector<Case> cases = {
        {"/pkg", std::string(64, '0'),
         "更新下载: sha256 不符 期望=" + std::string(64, '0') + " 实际=" + digest + "（丢弃）"},
        {"/missing", std::nullopt, "更新下载: 服务器返回 404（丢弃）"},
        {"/short", std::nullopt, "更新下载: 失败 "},
        {"/away", digest, "更新下载: 失败 "},
        {"/big", std::nullopt, "更新下载: 失败 ", 4000},
        {"/bigStream", std::nullopt, "更新下载: 失败 ", 4000},
    };
    for (const auto& [path, digest, logLine, cap] : cases) {
        packagedownload::setByteCap(cap ? cap : normalCap);
        Diag::resetLocation();
        std::filesystem::remove(dataHome() + "/Glimra/diag.log");
        download(manifestFor(path, digest));
        EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase::available(manifestFor(path, digest))) << path;
        EXPECT_THAT(updatesFolder(), IsEmpty()) << path;
        const auto lines = linesWith("更新下载: ");
        ASSERT_EQ(lines.size(), 2u) << path;
        EXPECT_THAT(lines[1], StartsWith(logLine)) << path;
    }
}

TEST_F(PackageDownloadTest, OnlyOneDownloadAtATimeAndNoneOfTheReadyBuildAgain)
{
    const auto manifest = manifestFor("/pkg", std::nullopt);
    UpdateManifest other = manifest;
    other.build = 121;

    for (const auto& busy : {UpdatePhase::downloading(other, 0.5), UpdatePhase::installing(other),
                             UpdatePhase::ready(manifest, destination)}) {
        UpdateInstaller::setPhase(busy);
        UpdateInstaller::startDownload(manifest);
        EXPECT_EQ(UpdateInstaller::phase(), busy);
    }
    EXPECT_THAT(linesWith("更新下载: "), IsEmpty());

    // An address off the rule leaves the phase as it was.
    UpdateManifest plain = other;
    plain.url = "http://updates.glimra.app/p.tar.gz";
    UpdateInstaller::setPhase(UpdatePhase::available(plain));
    UpdateInstaller::startDownload(plain);
    EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase::available(plain));
    EXPECT_THAT(linesWith("更新下载: "),
                ElementsAre("更新下载: 地址不合规（只收 https，本机回环除外）url=http://updates.glimra.app/p.tar.gz"));

    // Ready with another build: this one downloads.
    UpdateInstaller::setPhase(UpdatePhase::ready(other, "/elsewhere"));
    UpdateInstaller::startDownload(manifest);
    EXPECT_EQ(UpdateInstaller::phase().kind, Kind::downloading);
    ASSERT_TRUE(runMain(10, [] { return UpdateInstaller::phase().kind != Kind::downloading; }));
    EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase::ready(manifest, destination));
}

// A loader that hands over the file and then, against its word, an error as well.
class FinishingTwice : public desktop::UrlLoading {
public:
    struct Load : desktop::UrlLoad {
        void cancel() override {}
    };
    std::shared_ptr<desktop::UrlLoad> start(desktop::UrlRequest request, desktop::UrlLoadHandlers handlers) override
    {
        testsupport::writeFile(request.downloadPath, "body");
        handlers.queue.async([handlers] {
            desktop::UrlLoadResult file;
            file.head.status = 200;
            file.bytesReceived = 4;
            handlers.onFinished(file);
            desktop::UrlLoadResult failure;
            failure.error = desktop::UrlLoadError::connectionLost;
            handlers.onFinished(failure);
        });
        return std::make_shared<Load>();
    }
};

TEST_F(PackageDownloadTest, AFileFollowedByAnErrorDeliversOnlyTheFile)
{
    desktop_->urlLoading = std::make_shared<FinishingTwice>();
    download(manifestFor("/pkg", core::sha256Hex("body")));
    runMain(0.2, [] { return false; });
    EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase::ready(manifestFor("/pkg", core::sha256Hex("body")), destination));
    EXPECT_THAT(linesWith("失败"), IsEmpty());
}

}  // namespace
