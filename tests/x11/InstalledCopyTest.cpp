#include "platform/core/BundleFile.h"
#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/InstalledCopy.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QUrl>

#include <csignal>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using testsupport::GlimraChild;
using testsupport::InstalledCopy;
using testsupport::statusOf;

TEST_F(InstalledCopy, IsADesktopProgramThatStartsAtLoginUnlikeTheBuildFoldersCopy)
{
    const std::string link = prefix() + "/bin/glimra";
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "../lib/glimra/bin/glimra");
    EXPECT_TRUE(fs::is_regular_file(bundle() + "/bundle.json"));
    EXPECT_TRUE(fs::is_regular_file(bundle() + "/LICENSE"));

    // Stripped, pointing at its debug file, which stayed in the build folder and keeps
    // what the build type gave the build's copy (a release build has symbols only).
    std::string sections;
    ASSERT_EQ(statusOf({"readelf", "-S", "-W", bundle() + "/bin/glimra"}, &sections), 0);
    EXPECT_NE(sections.find(".gnu_debuglink"), std::string::npos);
    for (const char* name : {".symtab", ".debug_info", ".debug_line"})
        EXPECT_EQ(sections.find(name), std::string::npos) << name;
    std::string buildSections, debugSections;
    ASSERT_EQ(statusOf({"readelf", "-S", "-W", GLIMRA_EXECUTABLE}, &buildSections), 0);
    ASSERT_EQ(statusOf({"readelf", "-S", "-W", std::string(GLIMRA_BUILD_DIR) + "/glimra.debug"}, &debugSections), 0);
    EXPECT_NE(debugSections.find(".symtab"), std::string::npos);
    for (const char* name : {".debug_info", ".debug_line"})
        EXPECT_EQ(debugSections.find(name) != std::string::npos, buildSections.find(name) != std::string::npos) << name;

    const std::string icons = prefix() + "/share/icons/hicolor";
    EXPECT_TRUE(fs::is_regular_file(icons + "/scalable/apps/glimra.svg"));
    for (const int size : {48, 128, 256}) {
        const std::string name = std::to_string(size);
        EXPECT_EQ(QImage(QString::fromStdString(icons + "/" + name + "x" + name + "/apps/glimra.png")).size(),
                  QSize(size, size))
            << size;
    }
    const std::string entry = prefix() + "/share/applications/glimra.desktop";
    std::string report;
    EXPECT_EQ(statusOf({"desktop-file-validate", entry}, &report), 0) << report;
    EXPECT_EQ(report, "");
    const std::string text = testsupport::readFile(entry);
    EXPECT_NE(text.find("\nExec=\"" + link + "\"\n"), std::string::npos) << text;
    for (const char* line : {"\nIcon=glimra\n", "\nCategories=Utility;\n", "\nName[ja]=", "\nComment[zh_TW]="})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    const auto metainfo = fs::directory_iterator(prefix() + "/share/metainfo")->path().string();
    EXPECT_EQ(statusOf({"appstreamcli", "validate", "--no-net", metainfo}, &report), 0) << report;

    // The copy reached through the link takes its identity from its bundle; the build
    // folder's keeps the compiled-in one.
    const auto info = core::readBundleFile(bundle());
    ASSERT_TRUE(info && info->identifier && info->executable == "bin/glimra");
    std::string built;
    statusOf({GLIMRA_EXECUTABLE, "--version"}, &built);
    EXPECT_EQ(built, "Glimra " + info->version.value_or("") + " (build " + info->build.value_or("") + ") " +
                         *info->identifier + "\n");
    // Values the compiled-in ones cannot be: the installed copy must read them from the file.
    testsupport::writeFile(
        bundle() + "/bundle.json",
        R"({"identifier":")" + *info->identifier + R"(","version":"9.8.7","build":"4242","executable":"bin/glimra"})");
    std::string installed;
    statusOf({link, "--version"}, &installed);
    EXPECT_EQ(installed, "Glimra 9.8.7 (build 4242) " + *info->identifier + "\n");

    // The build folder's copy says why it does not start at login and leaves the
    // first-launch default to the installed copy.
    auto child = launch(GLIMRA_EXECUTABLE, "开机启动: 首次启动默认开启 → 跳过（This copy runs from its build folder");
    EXPECT_FALSE(fs::exists(autostartEntry()));
    quit(*child);
    child = launch(link, "开机启动: 首次启动默认开启 → 成功");
    quit(*child);
    ASSERT_TRUE(fs::exists(autostartEntry())) << log();
    EXPECT_NE(testsupport::readFile(autostartEntry()).find("\nExec=\"" + link + "\"\n"), std::string::npos)
        << testsupport::readFile(autostartEntry());
    EXPECT_EQ(statusOf({"desktop-file-validate", autostartEntry()}, &report), 0) << report;
    EXPECT_EQ(report, "");

    // Support texts name the distribution as os-release does ("debian 12").
    std::string distribution;
    statusOf({"sh", "-c",
              ". /etc/os-release 2>/dev/null || . /usr/lib/os-release; printf '%s %s' \"${ID:-linux}\" "
              "\"$VERSION_ID\""},
             &distribution);
    child = launch(link, "帮助自检: 联系页 ", {"-glimra-diag-selftest"});
    EXPECT_EQ(child->waitForExit(quitWait), 0) << child->err();
    const std::string diagnostics = testsupport::readFile(scratch() + "/glimra-diag.txt");
    EXPECT_NE(diagnostics.find("\nLinux " + distribution + " ("), std::string::npos) << diagnostics;
    const std::string encoded = QUrl::toPercentEncoding(QString::fromStdString(distribution)).toStdString();
    EXPECT_NE(log().find("&os=" + encoded + "&"), std::string::npos) << log();
}

}  // namespace
