#include "foundation/Diag.h"
#include "platform/core/AppIdentity.h"
#include "platform/core/SystemInfo.h"
#include "platform/defaults/Defaults.h"
#include "platform/linux/OsReleaseSystem.h"
#include "platform/ui/RecordingAlertPresenter.h"
#include "platform/x11/X11Permissions.h"
#include "support/DiagLines.h"
#include "update/HelpCenter.h"

#include <QUrl>
#include <QUrlQuery>

#include <gmock/gmock.h>

#include <filesystem>
#include <sstream>

namespace {

using testing::ElementsAre;
using testing::Pair;
using testing::StartsWith;

class HelpCenterTest : public testsupport::WithDiagLines<testsupport::SimDesktopTest> {
protected:
    // The address without its query, and the query items in order.
    static std::pair<std::string, std::vector<std::pair<std::string, std::string>>> split(const std::string& address)
    {
        const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
        std::vector<std::pair<std::string, std::string>> items;
        for (const auto& [name, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
            items.emplace_back(name.toStdString(), value.toStdString());
        return {url.toString(QUrl::RemoveQuery).toStdString(), items};
    }

    static std::vector<std::string> linesOf(const std::string& text)
    {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

TEST_F(HelpCenterTest, TheContactPageCarriesAppVersionSystemAndLanguageInPlaceOfAnyQuery)
{
    const std::string version = core::AppIdentity::current().version;
    auto [page, items] = split(HelpCenter::contactURL());
    EXPECT_EQ(page, "https://glimra.app/contact");
    ASSERT_EQ(items.size(), 4u);
    EXPECT_THAT(items[0], Pair("app", "glimra"));
    EXPECT_THAT(items[1], Pair("v", version));
    EXPECT_EQ(items[2].first, "os");
    EXPECT_THAT(items[3], Pair("lang", "zh"));

    auto& store = defaults::Defaults::standard();
    store.set("helpContactBase", "https://example.org/help?ref=menu&lang=xx");
    store.set("appLanguage", 8);  // Traditional Chinese
    std::tie(page, items) = split(HelpCenter::contactURL());
    EXPECT_EQ(page, "https://example.org/help");
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].first, "app");
    EXPECT_THAT(items[3], Pair("lang", "zh-Hant"));

    // Not a web address: the built-in page.
    for (const char* unusable : {"no address at all", "https://exa mple.org/%zz", "/contact", "ftp://example.org/help",
                                 "javascript:alert(1)"}) {
        store.set("helpContactBase", unusable);
        EXPECT_EQ(split(HelpCenter::contactURL()).first, "https://glimra.app/contact") << unusable;
    }
    store.set("helpContactBase", "");
    EXPECT_EQ(split(HelpCenter::contactURL()).first, "https://glimra.app/contact");

    HelpCenter::openContact();
    ASSERT_EQ(journalOf("url.open").size(), 1u);
    EXPECT_EQ(journalOf("url.open")[0]["url"], HelpCenter::contactURL());
    EXPECT_THAT(linesWith("帮助: 打开联系页 "), ElementsAre("帮助: 打开联系页 " + HelpCenter::contactURL()));
}

TEST_F(HelpCenterTest, QueryValuesKeepOnlyUnreservedCharactersAsTheyAre)
{
    EXPECT_EQ(
        HelpCenter::contactURL("https://example.org/help?old=1#top",
                               {{"v", "1.0+beta&x=y/z ~é"}, {"os", "Az09-._~!*'();:@$,"}}),
        "https://example.org/help?v=1.0%2Bbeta%26x%3Dy%2Fz%20~%C3%A9&os=Az09-._~%21%2A%27%28%29%3B%3A%40%24%2C#top");
}

TEST_F(HelpCenterTest, TheSystemIsNamedByItsVersionAndArchitecture)
{
    core::SystemInfo system;
    system.osVersion = core::OsVersion{24, 4, 0};
    system.architecture = "aarch64";
    core::setSystemInfoOverride(system);
    EXPECT_THAT(split(HelpCenter::contactURL()).second[2], Pair("os", "24.4"));
    EXPECT_EQ(linesOf(HelpCenter::diagnosticsText(1))[1], "Linux 24.4 (aarch64)");
    system.osVersion = core::OsVersion{3, 19, 1};
    core::setSystemInfoOverride(system);
    EXPECT_EQ(linesOf(HelpCenter::diagnosticsText(1))[1], "Linux 3.19.1 (aarch64)");

    // A distribution is named as os-release names it.
    testsupport::writeFile(home() + "/os-release", "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\nID=debian\n");
    desktop().operatingSystem = std::make_shared<linuxdesktop::OsReleaseSystem>(
        core::SystemInfoSources{home() + "/os-release", home() + "/none", home() + "/none"});
    EXPECT_THAT(split(HelpCenter::contactURL()).second[2], Pair("os", "debian 12"));
    EXPECT_NE(HelpCenter::contactURL().find("&os=debian%2012&"), std::string::npos);
    EXPECT_EQ(linesOf(HelpCenter::diagnosticsText(1))[1], "Linux debian 12 (aarch64)");
    core::setSystemInfoOverride(std::nullopt);
}

TEST_F(HelpCenterTest, DiagnosticsTextIsSevenHeaderLinesAndTheLogsTail)
{
    for (int i = 1; i <= 10; ++i) Diag::log("line " + std::to_string(i));
    const auto lines = linesOf(HelpCenter::diagnosticsText(60));
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[0], "Glimra " + core::AppIdentity::current().version);
    EXPECT_EQ(lines[2], "语言: zh");
    EXPECT_THAT(lines[3], StartsWith("屏幕录制: "));
    EXPECT_EQ(lines[4], "迷你窗: 0 个");
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[6], "—— 最近日志（最多 60 行）——");
    EXPECT_EQ(lines[7].substr(9), "line 1");
    EXPECT_EQ(lines[16].substr(9), "line 10");

    EXPECT_EQ(linesOf(HelpCenter::diagnosticsText(3)).size(), 10u);
}

// A desktop without grants has none to report: the line says so instead of two grants it
// cannot withhold.
TEST_F(HelpCenterTest, ADesktopWithoutGrantsSaysSoInPlaceOfTheirStates)
{
    desktop().permissions = std::make_shared<x11::X11Permissions>();
    const auto lines = linesOf(HelpCenter::diagnosticsText(60));
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[3], "权限: 此桌面没有屏幕录制与辅助功能授权");
    EXPECT_EQ(lines[4], "迷你窗: 0 个");
    EXPECT_EQ(lines[6], "—— 最近日志（最多 60 行）——");
}

TEST_F(HelpCenterTest, TheTailOfALongLogNeverStartsWithTheLineCutInHalf)
{
    Diag::log("first");
    const std::string path = *Diag::fileURL();
    std::string log;
    for (int i = 0; i < 3000; ++i) log += "12:00:00 entry " + std::to_string(i) + std::string(40, '.') + "\n\n";
    testsupport::writeFile(path, log);
    ASSERT_GT(std::filesystem::file_size(path), 96u * 1024);

    const auto all = HelpCenter::tailLog(100000);
    ASSERT_FALSE(all.empty());
    EXPECT_THAT(all.front(), StartsWith("12:00:00 entry "));
    EXPECT_EQ(all.back(), "12:00:00 entry 2999" + std::string(40, '.'));
    const auto last = HelpCenter::tailLog(60);
    ASSERT_EQ(last.size(), 60u);
    EXPECT_EQ(last.front(), "12:00:00 entry 2940" + std::string(40, '.'));

    std::filesystem::remove(path);
    EXPECT_THAT(HelpCenter::tailLog(60), ElementsAre("（无法读取日志）"));
    EXPECT_EQ(linesOf(HelpCenter::diagnosticsText(60)).back(), "（无法读取日志）");

    // A link in the log's place is not read through: what it names is not the log.
    testsupport::TempDir elsewhere;
    testsupport::writeFile(elsewhere.path() + "/private.txt", "12:00:00 someone else's secret\n");
    std::filesystem::create_symlink(elsewhere.path() + "/private.txt", path);
    EXPECT_THAT(HelpCenter::tailLog(60), ElementsAre("（无法读取日志）"));
}

TEST_F(HelpCenterTest, CopyingTheDiagnosticsFillsThePasteboardAndConfirms)
{
    auto alerts = std::make_shared<ui::RecordingAlertPresenter>();
    ui::AlertPresenter::install(alerts);

    HelpCenter::copyDiagnostics();
    const auto copied = journalOf("pasteboard.set");
    ASSERT_EQ(copied.size(), 1u);
    const std::string text = copied[0]["text"];
    EXPECT_THAT(text, StartsWith("Glimra "));
    EXPECT_EQ(linesWith("帮助: 已复制诊断信息（").size(), 1u);
    ASSERT_EQ(alerts->records().size(), 1u);
    EXPECT_EQ(alerts->records()[0].alert.messageText, "诊断信息已复制");

    defaults::Defaults::standard().set("appLanguage", 2);  // English
    HelpCenter::copyDiagnostics();
    ASSERT_EQ(alerts->records().size(), 2u);
    EXPECT_EQ(alerts->records()[1].alert.messageText, "Diagnostics copied");
    EXPECT_THAT(alerts->records()[1].alert.informativeText, StartsWith("The copied text contains"));
    ui::AlertPresenter::install(nullptr);
}

}  // namespace
