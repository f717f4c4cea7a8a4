#include "support/TestEnvironment.h"
#include "update/UpdateInstaller.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

namespace {

using testing::ElementsAre;
using testing::FieldsAre;
using testing::MatchesRegex;

class ReplaceSelfTestTest : public testsupport::VirtualTimeTest {
protected:
    void SetUp() override
    {
        VirtualTimeTest::SetUp();
        const char* previous = std::getenv("TMPDIR");
        savedTemporary = previous ? std::optional<std::string>(previous) : std::nullopt;
        ::setenv("TMPDIR", temporary.path().c_str(), 1);
    }
    void TearDown() override
    {
        if (savedTemporary)
            ::setenv("TMPDIR", savedTemporary->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        VirtualTimeTest::TearDown();
    }

    std::vector<std::tuple<std::string, bool, std::string>> run(const std::optional<std::string>& exchanger = {})
    {
        std::vector<std::tuple<std::string, bool, std::string>> records;
        UpdateInstaller::selfTestReplaceMechanism(
            [&](const std::string& name, bool ok, const std::string& detail) { records.emplace_back(name, ok, detail); },
            exchanger);
        return records;
    }

    testsupport::TempDir temporary;
    std::optional<std::string> savedTemporary;
};

// Renaming as the simulated desktop does, and swapping through the executable as the
// installed copy does.
TEST_F(ReplaceSelfTestTest, TheRealScriptReplacesTheDummyAndLogsAndTheFolderGoes)
{
    for (const auto& exchanger : {std::optional<std::string>(), std::optional<std::string>(GLIMRA_EXECUTABLE)}) {
        EXPECT_THAT(run(exchanger),
                    ElementsAre(FieldsAre("替换脚本：等到进程退出后完成替换", true, "marker=new"),
                                FieldsAre("替换脚本：留下可追查的日志", true, MatchesRegex("\\[[0-9: -]+\\] 完成"))));
        EXPECT_TRUE(std::filesystem::is_empty(temporary.path()));
    }
}

TEST_F(ReplaceSelfTestTest, AFailedPreparationIsOneFailure)
{
    ::setenv("TMPDIR", (temporary.path() + "/missing").c_str(), 1);
    const auto records = run();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(std::get<0>(records[0]), "替换测试：准备替身");
    EXPECT_FALSE(std::get<1>(records[0]));
    EXPECT_TRUE(std::filesystem::is_empty(temporary.path()));
}

}  // namespace
