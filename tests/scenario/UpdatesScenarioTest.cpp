#include "platform/core/Sha256.h"
#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "scenario/ScenarioOnce.h"
#include "support/TestEnvironment.h"
#include "support/TestPackages.h"

#include <QByteArray>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testsupport::readFile;
using testsupport::TempDir;

const std::string updatesExample = std::string(GLIMRA_EXAMPLES_DIR) + "/updates.json";
const std::string manifestAddress = "https://updates.glimra.app/v1.json";
const std::string packageAddress = "https://updates.glimra.app/Glimra-1.1.0-2.tar.gz";

std::vector<json> journalOf(const std::string& out, const std::string& what)
{
    std::vector<json> entries;
    for (const auto& entry : testsupport::journal(out))
        if (entry["do"] == what) entries.push_back(entry);
    return entries;
}

std::vector<std::string> linesStartingWith(const std::vector<std::string>& lines, const std::string& start)
{
    std::vector<std::string> found;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(found),
                 [&](const std::string& line) { return line.starts_with(start); });
    return found;
}

json state(const std::string& out) { return json::parse(readFile(out + "/state.json")); }

std::string base64(const std::string& bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64().toStdString();
}

// The routes of an update server offering build 2 as the package's bytes, announced with
// that digest.
json updateServer(const std::string& package, const std::string& digest)
{
    const json manifest = {{"shortVersion", "1.1.0"}, {"build", 2}, {"url", packageAddress}, {"sha256", digest}};
    return json::array({{{"url", manifestAddress}, {"body", manifest.dump()}},
                        {{"url", packageAddress}, {"base64Body", base64(package)}}});
}

// Writes the scenario into the scratch folder and runs it into scratch/out.
testsupport::ProcessOutcome runScenario(const TempDir& scratch, const json& scenario)
{
    const std::string file = scratch.path() + "/scenario.json";
    testsupport::writeFile(file, scenario.dump());
    return testsupport::runGlimra("--scenario " + file + " --out " + scratch.path() + "/out", scratch.path());
}

class UpdatesExample : public testsupport::ScenarioOnce<UpdatesExample> {
public:
    static std::string scenarioFile(const std::string&) { return updatesExample; }
};

TEST_F(UpdatesExample, ChecksDownloadsSilentlyAndKeepsTheReadyPackageWhenToldLater)
{
    const std::string log = readFile(out() + "/data/Glimra/diag.log");
    EXPECT_NE(log.find("09:00:08 更新检查: 开始（自动）当前 1.0.0 build 1 → " + manifestAddress), std::string::npos);
    const auto lines = testsupport::logLines(out());
    EXPECT_TRUE(testsupport::holds(lines, "更新: 检查到新版 1.1.0 build 2 → 直接开始静默下载"));
    EXPECT_TRUE(testsupport::holds(
        lines, "更新下载: sha256 校验通过 34d33b78fe7d664a3e8a6ba9efed393044c90de1d89b1229c5dce14589d093e0"));

    std::vector<std::string> loads;
    for (const auto& load : journalOf(out(), "http"))
        if (load["method"] == "GET") loads.push_back(load["url"]);
    EXPECT_EQ(loads, (std::vector<std::string>{manifestAddress, manifestAddress, packageAddress}));

    // The manual check asks nothing before downloading: the ready prompt, answered "later",
    // is the only update alert.
    const auto alerts = journalOf(out(), "alert");
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[0]["message"], "新版本 1.1.0 已下载");
    EXPECT_EQ(alerts[0]["buttons"], json::parse(R"(["打开安装包", "稍后"])"));
    EXPECT_EQ(alerts[0]["response"], 1001);
    EXPECT_EQ(readFile(out() + "/data/Glimra/updates/Glimra-1.1.0-2.tar.gz"), "Glimra 1.1.0 build 2 (demo package)\n");
    EXPECT_TRUE(journalOf(out(), "url.open").size() == 1 && journalOf(out(), "tool.start").empty())
        << "later neither opens the package nor installs";
}

TEST_F(UpdatesExample, CopiesDiagnosticsAndOpensTheContactPage)
{
    const auto pasted = journalOf(out(), "pasteboard.set");
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_TRUE(pasted[0]["text"].get<std::string>().starts_with("Glimra 1.0.0\nLinux 24.4 (x86_64)\n"));
    EXPECT_EQ(journalOf(out(), "alert").back()["message"], "诊断信息已复制");
    const auto opened = journalOf(out(), "url.open");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0]["url"], "https://glimra.app/contact?app=glimra&v=1.0.0&os=24.4&lang=zh");
}

TEST_F(UpdatesExample, UploadsOnlyTheCrashReportNotSentBeforeAndRemembersBothInOrder)
{
    std::vector<json> posts;
    for (const auto& load : journalOf(out(), "http"))
        if (load["method"] == "POST") posts.push_back(load);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0]["url"], "https://glimra.app/api/crash");
    const json body = json::parse(posts[0]["body"].get<std::string>());
    EXPECT_EQ(body["fileName"], "Glimra-2026-01-04-174210-5120.crash");
    EXPECT_EQ(body["excerpt"].get<std::string>().find("0123456789abcdef"), std::string::npos) << "redacted";
    EXPECT_EQ(state("state.json")["settings"]["crashReportsUploaded"],
              json::parse(R"(["Glimra-2026-01-02-081500-4242.crash", "Glimra-2026-01-04-174210-5120.crash"])"));
}

// An installed copy at DIR/apps/Glimra.app that may replace itself, offered build 2 as the
// package, whose ready prompt is answered "restart and install".
json forcedInstall(const std::string& package)
{
    const json bundleInfo = {
        {"identifier", "com.glimra.app"}, {"version", "1.0.0"}, {"build", "1"}, {"executable", "bin/glimra"}};
    return {{"identity", {{"version", "1.0.0"}, {"build", "1"}, {"bundlePath", "apps/Glimra.app"}}},
            {"files",
             json::array({{{"path", "apps/Glimra.app/bundle.json"}, {"text", bundleInfo.dump()}},
                          {{"path", "apps/Glimra.app/bin/glimra"}, {"text", "#!/bin/sh\nexit 0\n"}, {"mode", "755"}}})},
            {"settings", {{"forceSelfReplace", true}, {"onboardingCompleted", true}}},
            {"server", updateServer(package, core::sha256Hex(package))},
            {"alertAnswers", {0}},
            {"steps", json::array({{{"at", 1}, {"do", "command"}, {"name", "checkForUpdatesAction"}}})},
            {"until", 5}};
}

testsupport::BundleContents newBuild()
{
    testsupport::BundleContents contents;
    contents.version = "1.1.0";
    contents.build = "2";
    return contents;
}

std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(UpdatesScenario, ForcedInstallStagesTheSignedPackageStartsTheReplaceScriptAndQuits)
{
    TempDir scratch, work;
    const std::string package = readFile(testsupport::makeSignedPackage(work.path(), newBuild()));
    const auto outcome = runScenario(scratch, forcedInstall(package));
    ASSERT_EQ(outcome.status, 0) << outcome.err;

    const std::string out = scratch.path() + "/out", target = out + "/apps/Glimra.app";
    const auto started = journalOf(out, "tool.start");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0]["path"], "/bin/sh");
    const auto arguments = started[0]["arguments"].get<std::vector<std::string>>();
    ASSERT_EQ(arguments.size(), 12u);
    EXPECT_EQ(arguments[0], "-c");
    EXPECT_EQ(arguments[2], "glimra-update");
    const std::string canonicalTarget = fs::canonical(target).string();
    EXPECT_EQ(arguments[3], fs::canonical(out).string() + "/data/Glimra/update-install.log");
    EXPECT_EQ(arguments[4], "100");
    EXPECT_EQ(arguments[5], canonicalTarget);
    EXPECT_EQ(arguments[9], "200");
    EXPECT_EQ(arguments[10], "bin/glimra");
    EXPECT_EQ(arguments[11], "bin/glimra");
    EXPECT_EQ(arguments[8], fs::canonical(out).string() + "/data/Glimra/updates/Glimra-1.1.0-2.tar.gz");
    // tar really ran: the staged bundle waits beside the target for the script, which only
    // the journal saw.
    const auto tarRuns = journalOf(out, "tool.run");
    EXPECT_TRUE(std::any_of(tarRuns.begin(), tarRuns.end(), [](const json& run) {
        const auto& arguments = run["arguments"];
        return std::find(arguments.begin(), arguments.end(), "-xzf") != arguments.end() && run["status"] == 0;
    }));
    EXPECT_TRUE(fs::path(arguments[7]).filename().string().starts_with(".glimra-staging-"));
    EXPECT_EQ(fs::status(arguments[7]).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::path(arguments[6]).parent_path(), fs::path(arguments[7]));
    EXPECT_EQ(fs::path(arguments[7]).parent_path(), fs::path(canonicalTarget).parent_path());
    EXPECT_EQ(readFile(arguments[6] + "/bin/glimra"), newBuild().executableText);
    EXPECT_EQ(readFile(target + "/bin/glimra"), "#!/bin/sh\nexit 0\n") << "nothing replaced";
    EXPECT_EQ(testsupport::folderContents(target).size(), 2u);

    const auto lines = testsupport::logLines(out);
    EXPECT_EQ(linesStartingWith(lines, "更新安装: 替身脚本已启动 glimra-update pid=").size(), 1u);
    EXPECT_TRUE(linesStartingWith(lines, "更新安装: 中止").empty());
    EXPECT_NEAR(state(out)["time"].get<double>(), 1.6, 1e-9) << "quits 0.6 s after the install began";
}

TEST(UpdatesScenario, AnUnsignedPackageIsRefusedWithOneLineAndTheFailureAlertLeavingNothingBehind)
{
    TempDir scratch, work;
    testsupport::makeBundle(work.path(), newBuild());
    testsupport::packFolders(work.path(), {"Glimra.app"}, work.path() + "/unsigned.tar.gz");
    const auto outcome = runScenario(scratch, forcedInstall(readFile(work.path() + "/unsigned.tar.gz")));
    ASSERT_EQ(outcome.status, 0) << outcome.err;

    const std::string out = scratch.path() + "/out";
    const auto lines = testsupport::logLines(out);
    EXPECT_EQ(linesStartingWith(lines, "更新安装: 中止 —— "),
              std::vector<std::string>{"更新安装: 中止 —— 安装包的签名校验不通过"});
    EXPECT_EQ(lines.back(), "菜单: 更新相关行 = ready 1.1.0") << "back to ready";
    const auto alerts = journalOf(out, "alert");
    ASSERT_FALSE(alerts.empty());
    EXPECT_EQ(alerts.back()["message"], "更新失败");
    EXPECT_TRUE(journalOf(out, "tool.start").empty());
    EXPECT_EQ(namesIn(out + "/apps"), std::vector<std::string>{"Glimra.app"}) << "no staging folder left";
    EXPECT_EQ(readFile(out + "/apps/Glimra.app/bin/glimra"), "#!/bin/sh\nexit 0\n");
    EXPECT_TRUE(fs::exists(out + "/data/Glimra/updates/Glimra-1.1.0-2.tar.gz")) << "the package is kept";
}

json selfTestRun(const std::string& digest)
{
    const std::string package = "Glimra 1.1.0 build 2\n";
    return {{"args", {"-glimra-update-selftest"}}, {"server", updateServer(package, digest)}};
}

TEST(UpdatesScenario, TheUpdateSelfTestExitsZeroWhenAllPassAndOneWhenTheDownloadFails)
{
    TempDir passing;
    auto outcome = runScenario(passing, selfTestRun(core::sha256Hex("Glimra 1.1.0 build 2\n")));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    auto lines = testsupport::logLines(passing.path() + "/out");
    EXPECT_TRUE(linesStartingWith(lines, "更新自检: FAIL").empty());
    const auto summary = linesStartingWith(lines, "更新自检: 结束 —— ");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_TRUE(summary[0].ends_with(" 项通过 / 0 项失败 —— 全部通过 ✅")) << summary[0];

    TempDir failing;
    outcome = runScenario(failing, selfTestRun(std::string(64, '0')));
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    lines = testsupport::logLines(failing.path() + "/out");
    EXPECT_EQ(linesStartingWith(lines, "更新自检: FAIL 静默下载：完成并落盘").size(), 1u);
    EXPECT_EQ(linesStartingWith(lines, "更新自检: 结束 —— ").size(), 1u);
    EXPECT_FALSE(linesStartingWith(lines, "更新自检: 结束 —— ")[0].ends_with("✅"));
}

}  // namespace
