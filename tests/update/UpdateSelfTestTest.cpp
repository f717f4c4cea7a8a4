#include "platform/defaults/Defaults.h"
#include "update/UpdaterFixture.h"

#include <gmock/gmock.h>

#include <regex>

namespace {

using testing::HasSubstr;
using testing::StartsWith;

using UpdateSelfTestTest = testsupport::UpdaterTest;

}  // namespace

TEST_F(UpdateSelfTestTest, ThePureRowsPassInEveryLanguageAndTheSummaryCountsEveryCase)
{
    // Unusable, so the real check answers at once with a failure, which still passes.
    defaults::Defaults::standard().set("updateManifestURL", "not a url");
    for (const int language : {1, 2}) {  // Simplified Chinese, English
        defaults::Defaults::standard().set("appLanguage", language);
        const std::size_t start = diagLines().size();
        const int failed = AppUpdate::selfTest();

        const auto all = diagLines();
        const std::vector<std::string> lines(all.begin() + long(start), all.end());
        std::vector<std::string> rows;
        for (const auto& line : lines) {
            if (line.starts_with("更新自检: PASS ") || line.starts_with("更新自检: FAIL ")) rows.push_back(line);
        }
        ASSERT_GE(rows.size(), 36u);
        for (std::size_t i = 0; i < 36; ++i) EXPECT_THAT(rows[i], StartsWith("更新自检: PASS ")) << language;
        EXPECT_EQ(rows[0], "更新自检: PASS 更大 build 算更新");
        EXPECT_EQ(rows[4], "更新自检: PASS 分桶在 0-99");
        EXPECT_EQ(rows[10], "更新自检: PASS 完整清单解析 —— 1.2.3 build 120");
        EXPECT_EQ(
            rows[35],
            "更新自检: PASS 翻好后不含 ASCII 字母（即无英文原文） —— 连接更新服务器超时 / "
            "找不到更新服务器（域名解析失败） / 更新服务器的安全连接建立失败 / 网络请求未完成 / 更新服务器拒绝连接");

        EXPECT_THAT(lines, testing::Contains("更新自检: 尝试真实拉取 nil"));
        const auto real = std::find_if(rows.begin(), rows.end(), [](const auto& row) {
            return row.find("真实拉取有明确结果") != std::string::npos;
        });
        ASSERT_NE(real, rows.end());
        EXPECT_THAT(*real, StartsWith("更新自检: PASS 真实拉取有明确结果 —— 失败("));
        EXPECT_THAT(*real, HasSubstr(")—— 静默忽略，属正常"));
        EXPECT_EQ(rows.back(), "更新自检: PASS 真实下载 —— 本次没有可用更新（或端点不可达），跳过");

        const auto fails =
            std::count_if(rows.begin(), rows.end(), [](const auto& row) { return row.starts_with("更新自检: FAIL "); });
        EXPECT_EQ(failed, fails);
        EXPECT_EQ(lines.back(), "更新自检: 结束 —— " + std::to_string(rows.size() - fails) + " 项通过 / " +
                                    std::to_string(fails) + " 项失败" + (fails == 0 ? " —— 全部通过 ✅" : ""));
    }
    EXPECT_TRUE(alerts->records().empty());
    EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase{});
}

TEST_F(UpdateSelfTestTest, TheRealDownloadRunsSilentlyAndLeavesTheInstallerIdle)
{
    std::vector<std::string> rows;
    const SelfTestRecord record = [&](const std::string& name, bool ok, const std::string& detail) {
        rows.push_back((ok ? "PASS " : "FAIL ") + name + (detail.empty() ? "" : " —— " + detail));
    };
    UpdateInstaller::selfTestRealDownload(UpdateOutcome::failed("网络请求未完成"), record);
    UpdateInstaller::selfTestRealDownload(std::nullopt, record);
    EXPECT_EQ(rows, std::vector<std::string>(2, "PASS 真实下载 —— 本次没有可用更新（或端点不可达），跳过"));

    // Nothing answers at the package's address: the download fails, without an alert.
    rows.clear();
    UpdateInstaller::selfTestRealDownload(UpdateOutcome::update(newerManifest()), record);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_THAT(rows[0], StartsWith("FAIL 静默下载：完成并落盘 —— phase 停在 "));
    EXPECT_TRUE(alerts->records().empty());
    EXPECT_FALSE(UpdateInstaller::suppressPrompts());
    EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase{});
}
