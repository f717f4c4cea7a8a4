#include "platform/core/Sha256.h"
#include "platform/defaults/Defaults.h"
#include "platform/sim/SimUrlLoading.h"
#include "support/DiagLines.h"
#include "support/SimDesktopTest.h"
#include "support/TestEnvironment.h"
#include "update/CrashReporter.h"
#include "update/CrashingChild.h"
#include "update/ServiceEndpoint.h"

#include <gmock/gmock.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>

namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::HasSubstr;

class FinishedLoad : public desktop::UrlLoad {
public:
    void cancel() override {}
};

// Answers every load at once with 200 and keeps the requests.
class RecordingLoading : public desktop::UrlLoading {
public:
    std::shared_ptr<desktop::UrlLoad> start(desktop::UrlRequest request, desktop::UrlLoadHandlers handlers) override
    {
        requests.push_back(request);
        handlers.queue.async([handlers] {
            desktop::UrlLoadResult result;
            result.head.status = 200;
            handlers.onFinished(result);
        });
        return std::make_shared<FinishedLoad>();
    }
    std::vector<desktop::UrlRequest> requests;
};

class CrashReporterTest : public testsupport::WithDiagLines<testsupport::SimDesktopTest> {
protected:
    void SetUp() override
    {
        WithDiagLines::SetUp();
        if (const char* home = std::getenv("HOME")) savedHome_ = home;
        ::setenv("HOME", home().c_str(), 1);
    }
    void TearDown() override
    {
        if (savedHome_)
            ::setenv("HOME", savedHome_->c_str(), 1);
        else
            ::unsetenv("HOME");
        WithDiagLines::TearDown();
    }

    std::string folder() const { return dataHome() + "/Glimra/CrashReports"; }
    void writeReport(const std::string& name, const std::string& text = "Signal: SIGSEGV (11)\n")
    {
        testsupport::writeFile(folder() + "/" + name, text);
    }

    // The crash service answers with this status, its body taking this many seconds.
    void serviceAnswers(int status, double bodySeconds = 0, std::size_t bodyBytes = 100)
    {
        sim::ScriptedRoute route;
        route.method = "POST";
        route.path = "/api/crash";
        route.status = status;
        route.body = std::string(bodyBytes, 'k');
        if (bodySeconds > 0) route.bytesPerSecond = 100 / bodySeconds;
        static_cast<sim::SimUrlLoading&>(*desktop().urlLoading).setRoutes({route});
    }

    std::vector<nlohmann::json> posted() const { return journalOf("http"); }
    std::vector<std::string> postedNames() const
    {
        std::vector<std::string> names;
        for (const auto& post : posted())
            names.push_back(nlohmann::json::parse(post["body"].get<std::string>())["fileName"]);
        return names;
    }
    static std::optional<nlohmann::json> uploaded()
    {
        return defaults::Defaults::standard().array("crashReportsUploaded");
    }

private:
    std::optional<std::string> savedHome_;
};

TEST_F(CrashReporterTest, LaunchSwitchesReportingOnAndKeepsOnlyTheNewest20Reports)
{
    auto& store = defaults::Defaults::standard();
    store.set("crashReportingEnabled", false);
    const auto now = std::filesystem::file_time_type::clock::now();
    for (int i = 0; i < 25; ++i) {
        const std::string name = "Glimra-" + std::to_string(100 + i) + ".crash";
        writeReport(name);
        // Names sort the other way round from age, so age alone decides.
        std::filesystem::last_write_time(folder() + "/" + name, now - std::chrono::hours(i));
    }
    writeReport("notes.txt");
    CrashReporter::start();
    clock().runUntilIdle();
    EXPECT_TRUE(posted().empty()) << "switched off";
    int reports = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder())) {
        const std::string name = entry.path().filename();
        if (name == "notes.txt") continue;
        ++reports;
        EXPECT_LT(name, "Glimra-120.crash") << "an old one survived";
    }
    EXPECT_EQ(reports, 20);

    store.remove("crashReportingEnabled");
    serviceAnswers(200);
    CrashReporter::start();
    clock().runUntilIdle();
    EXPECT_EQ(store.boolean("crashReportingEnabled"), true);
    EXPECT_EQ(posted().size(), 20u);
}

TEST_F(CrashReporterTest, OnlyThisApplicationsReportsAreSentRedactedOnceEachAndFailuresAgain)
{
    for (const char* name : {"glimra_b.ips", "Glimra-a.crash", "GLIMRA-c.crash", "Glimra-d.IPS", "Other-e.crash",
                             ".Glimra-hidden.crash", "Glimra-f.crash.txt"})
        writeReport(name);
    writeReport("Glimra-z.crash", "\"incident\" : \"8A2F0C1D-1111-2222-3333-444455556666\"\nat " + home() +
                                      "/bin/glimra\nimage " + std::string(64, 'e') + "\n");
    writeReport("Glimra-zz.crash", "not UTF-8 \xff\n");

    serviceAnswers(500);
    CrashReporter::scanAndUpload();
    EXPECT_THAT(postedNames(), ElementsAre("GLIMRA-c.crash", "Glimra-a.crash", "Glimra-z.crash", "glimra_b.ips"));
    EXPECT_FALSE(uploaded()) << "nothing was accepted";

    serviceAnswers(200);
    CrashReporter::scanAndUpload();
    ASSERT_EQ(posted().size(), 8u) << "each refused report again";
    EXPECT_EQ(uploaded(), nlohmann::json({"GLIMRA-c.crash", "Glimra-a.crash", "Glimra-z.crash", "glimra_b.ips"}));
    const auto payload = nlohmann::json::parse(posted()[6]["body"].get<std::string>());
    EXPECT_EQ(payload["excerpt"], "\"incident\" : \"[redacted]\"\nat ~/bin/glimra\nimage [hex]\n");
    EXPECT_EQ(payload.size(), 5u);
    for (const char* member : {"appVersion", "appBuild", "osVersion", "fileName"})
        EXPECT_TRUE(payload[member].is_string());

    CrashReporter::scanAndUpload();
    EXPECT_EQ(posted().size(), 8u) << "sent reports are not sent again";
}

TEST_F(CrashReporterTest, AReportOfOurOwnCrashIsSentWithTheCrashingThreadsFrames)
{
    const auto crashed = testsupport::crashInChild(folder(), SIGSEGV, SIG_DFL, [] { testsupport::readForbiddenPage(); });
    ASSERT_EQ(crashed.reports.size(), 1u);
    const std::string report = testsupport::readFile(crashed.reports[0]);
    const auto frames = report.find("\nFrames:\n");
    ASSERT_NE(frames, std::string::npos) << report;

    serviceAnswers(200);
    CrashReporter::scanAndUpload();
    ASSERT_EQ(posted().size(), 1u);
    const std::string excerpt = nlohmann::json::parse(posted()[0]["body"].get<std::string>())["excerpt"];
    EXPECT_THAT(excerpt, HasSubstr(report.substr(frames))) << "every frame goes out";
    EXPECT_THAT(excerpt, HasSubstr("readForbiddenPage"));
}

TEST_F(CrashReporterTest, TheSentListDropsVanishedReportsAndKeepsSendOrder)
{
    std::vector<std::string> vanished;
    for (int i = 0; i < 60; ++i) vanished.push_back("Glimra-old-" + std::to_string(i) + ".crash");
    defaults::Defaults::standard().set("crashReportsUploaded", vanished);
    for (const char* name : {"Glimra-3.crash", "Glimra-1.crash", "Glimra-2.ips"}) writeReport(name);
    serviceAnswers(200);
    CrashReporter::scanAndUpload();
    EXPECT_EQ(uploaded(), nlohmann::json(postedNames()));
    EXPECT_THAT(postedNames(), ElementsAre("Glimra-1.crash", "Glimra-2.ips", "Glimra-3.crash"));

    // Oldest first: past 50, the first sent go first.
    std::vector<std::string> many;
    for (int i = 0; i < 49; ++i) {
        many.push_back("Glimra-" + std::to_string(1000 + i) + ".crash");
        writeReport(many.back());
    }
    CrashReporter::scanAndUpload();
    std::vector<std::string> expected = {"Glimra-3.crash"};
    expected.insert(expected.end(), many.begin(), many.end());
    EXPECT_EQ(uploaded(), nlohmann::json(expected));
}

TEST_F(CrashReporterTest, AnAnswerAfterTwentySecondsIsAbandonedAndNotCounted)
{
    writeReport("Glimra-slow.crash");
    serviceAnswers(200, 25);  // never idle for long
    const double started = dispatch::now();
    CrashReporter::scanAndUpload();
    EXPECT_NEAR(dispatch::now() - started, 20, 0.5);
    clock().advance(30);
    EXPECT_FALSE(uploaded());
    ASSERT_EQ(posted().size(), 1u);
    EXPECT_EQ(posted()[0]["error"], "cancelled");

    EXPECT_EQ(ServiceEndpoint::resolved(" https://crash.example//\n"), "https://crash.example");
    EXPECT_EQ(ServiceEndpoint::resolved(" // \n"), std::nullopt);
    EXPECT_FALSE(CrashReporter::upload({{"fileName", "x"}}, "key", std::nullopt)) << "no service base";
    EXPECT_EQ(posted().size(), 1u);
}

TEST_F(CrashReporterTest, WhatIsNoReadableFileIsSkippedAndTheFolderIsTheUsersAlone)
{
    writeReport("Glimra-a.crash");
    std::filesystem::create_directory(folder() + "/Glimra-folder.crash");
    ASSERT_EQ(::mkfifo((folder() + "/Glimra-fifo.crash").c_str(), 0600), 0);
    std::filesystem::permissions(folder(), std::filesystem::perms::all);
    serviceAnswers(200);
    CrashReporter::start();
    clock().runUntilIdle();
    EXPECT_THAT(postedNames(), ElementsAre("Glimra-a.crash"));
    EXPECT_EQ(std::filesystem::status(folder()).permissions(), std::filesystem::perms::owner_all);
}

TEST_F(CrashReporterTest, AReportLargerThanTheExcerptCanTakeIsNotReadButRememberedWithOneLine)
{
    // 16000 code points take at most 64000 bytes: a report of that size is still sent.
    writeReport("Glimra-a.crash", std::string(64000, 'a'));
    writeReport("Glimra-b.crash", std::string(64001, 'b'));
    serviceAnswers(200);
    CrashReporter::scanAndUpload();
    EXPECT_THAT(postedNames(), ElementsAre("Glimra-a.crash"));
    EXPECT_THAT(diagLines(), ElementsAre("崩溃报告: Glimra-b.crash 超过 64000 字节 ⇒ 不读取，不上传"));
    EXPECT_EQ(uploaded(), nlohmann::json({"Glimra-a.crash", "Glimra-b.crash"}));

    CrashReporter::scanAndUpload();
    EXPECT_EQ(posted().size(), 1u);
    EXPECT_EQ(diagLines().size(), 1u);
}

TEST_F(CrashReporterTest, AnAnswerOverOneMebibyteIsNotReadAndNotCounted)
{
    writeReport("Glimra-a.crash");
    serviceAnswers(200, 0, (1 << 20) + 1);
    CrashReporter::scanAndUpload();
    EXPECT_FALSE(uploaded());
    ASSERT_EQ(posted().size(), 1u);
    EXPECT_EQ(posted()[0]["error"], "other");

    serviceAnswers(200, 0, 1 << 20);
    CrashReporter::scanAndUpload();
    EXPECT_EQ(uploaded(), nlohmann::json({"Glimra-a.crash"}));
}

TEST_F(CrashReporterTest, EachPostNamesTheReportsDigestAsItsIdempotencyKey)
{
    auto recording = std::make_shared<RecordingLoading>();
    desktop().urlLoading = recording;
    const std::string text = "Glimra 1.0 (1)\nSignal: SIGABRT (6)\n";
    writeReport("Glimra-key.crash", text);
    CrashReporter::scanAndUpload();
    ASSERT_EQ(recording->requests.size(), 1u);
    const auto& request = recording->requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, "https://glimra.app/api/crash");
    EXPECT_THAT(request.headers,
                ElementsAre(std::pair<std::string, std::string>("Content-Type", "application/json; charset=utf-8"),
                            std::pair<std::string, std::string>("Idempotency-Key", core::sha256Hex(text))));
    EXPECT_EQ(uploaded(), nlohmann::json({"Glimra-key.crash"}));
}

}  // namespace
