#include "app/LaunchSelfTests.h"

#include "foundation/Diag.h"
#include "panels/rules/FocusRegion.h"
#include "panels/rules/LayoutSelfTests.h"
#include "platform/core/ByteText.h"
#include "platform/core/Paths.h"
#include "update/AppUpdate.h"
#include "update/HelpCenter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

namespace app {
namespace {

struct SelfTestRow {
    LaunchSelfTest test;
    const char* argument;
    const char* logLine;  // null: the self-test logs on its own
};

constexpr SelfTestRow selfTestTable[] = {
    {LaunchSelfTest::layout, "-glimra-layout-selftest", "启动参数 -glimra-layout-selftest → 四角平铺布局自检"},
    {LaunchSelfTest::size, "-glimra-size-selftest", "启动参数 -glimra-size-selftest → 小窗尺寸自检"},
    {LaunchSelfTest::focus, "-glimra-focus-selftest", "启动参数 -glimra-focus-selftest → 聚焦几何自检"},
    {LaunchSelfTest::update, "-glimra-update-selftest", "启动参数 -glimra-update-selftest → 更新链路自检"},
    {LaunchSelfTest::diagnostics, "-glimra-diag-selftest", nullptr},
    {LaunchSelfTest::menuThumbnails, "-glimra-menu-thumb-selftest",
     "启动参数 -glimra-menu-thumb-selftest → 缩略图抓取自检"},
};

const SelfTestRow& rowOf(LaunchSelfTest test)
{
    return *std::find_if(std::begin(selfTestTable), std::end(selfTestTable),
                         [test](const SelfTestRow& row) { return row.test == test; });
}

constexpr const char* diagnosticsFileName = "glimra-diag.txt";

bool writeAll(int fd, const std::string& text)
{
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::optional<LaunchSelfTest> requestedSelfTest(const std::vector<std::string>& args)
{
    for (const SelfTestRow& row : selfTestTable)
        if (std::find(args.begin(), args.end(), row.argument) != args.end()) return row.test;
    return std::nullopt;
}

std::optional<std::string> selfTestLogLine(LaunchSelfTest test)
{
    const char* line = rowOf(test).logLine;
    if (!line) return std::nullopt;
    return std::string(line);
}

int runLogOnlySelfTest(LaunchSelfTest test)
{
    switch (test) {
    case LaunchSelfTest::layout: panels::layoutSelfTest(); break;
    case LaunchSelfTest::size: panels::sizeSelfTest(); break;
    case LaunchSelfTest::focus: panels::FocusRegion::selfTest(); break;
    case LaunchSelfTest::update: return AppUpdate::selfTest() == 0 ? 0 : 1;
    case LaunchSelfTest::diagnostics:
    case LaunchSelfTest::menuThumbnails: break;
    }
    return 0;
}

bool writeDiagnosticsFile(const std::string& folder, const std::string& text)
{
    // mkstemp creates the file exclusively, 0600, and never through a link.
    std::string temporary = folder + "/.glimra-diag.XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    const bool complete = writeAll(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!complete || !closed || std::rename(temporary.c_str(), (folder + "/" + diagnosticsFileName).c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

int runDiagnosticsSelfTest()
{
    const std::string text = HelpCenter::diagnosticsText(60);
    const std::string folder = core::paths::temporaryFolder();
    const std::string file = folder + "/" + diagnosticsFileName;
    const bool written = writeDiagnosticsFile(folder, text);
    if (written)
        Diag::log("帮助自检: 诊断文本 " + std::to_string(core::codePointCount(text)) + " 字符 → " + file);
    else
        Diag::log("帮助自检: 诊断文本写入失败 → " + file);
    Diag::log("帮助自检: 联系页 " + HelpCenter::contactURL());
    return written ? 0 : 1;
}

}  // namespace app
