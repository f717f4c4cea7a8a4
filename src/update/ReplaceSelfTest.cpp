#include "update/UpdateInstaller.h"

#include "platform/core/AppIdentity.h"
#include "platform/core/FileContents.h"
#include "platform/core/Paths.h"
#include "platform/core/UniqueName.h"
#include "platform/dispatch/MainWait.h"
#include "platform/linux/FolderExchange.h"
#include "platform/linux/ProcessTools.h"
#include "update/InstallGuard.h"
#include "update/ReplaceScript.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;

constexpr double replaceWait = 4.0;
constexpr double logWait = 5.0;
constexpr const char* executable = "bin/run";

void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

// A private folder only this user can enter, with its symbolic links resolved.
fs::path makePrivateFolder()
{
    const std::string path = core::paths::temporaryFolder() + "/glimra-replace-test-" + core::uniqueName();
    if (::mkdir(path.c_str(), 0700) != 0) throw std::runtime_error("cannot create " + path);
    return fs::canonical(path);
}

std::string singleQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// A throw-away bundle whose executable leaves "started" (holding the marker) beside the
// bundle and exits 0; asked to swap folders, it hands that to the exchanger.
void makeDummy(const fs::path& bundle, const std::string& identifier, const std::string& marker,
               const std::optional<std::string>& exchanger)
{
    fs::create_directories(bundle / "bin");
    writeText(
        bundle / "bundle.json",
        nlohmann::json{{"identifier", identifier}, {"version", "1.0"}, {"build", "1"}, {"executable", executable}}.dump());
    const std::string swap = exchanger ? std::string("if [ \"$1\" = ") + linuxdesktop::exchangeFoldersArgument +
                                             " ]; then exec " + singleQuoted(*exchanger) + " \"$@\"; fi\n"
                                       : "";
    writeText(bundle / executable,
              "#!/bin/sh\n" + swap + "cat \"${0%/*}/../marker.txt\" > \"${0%/*}/../../started\"\nexit 0\n");
    fs::permissions(bundle / executable, fs::perms::owner_all);
    writeText(bundle / "marker.txt", marker);
}

// A process id no process holds: a child's that has exited and been reaped.
std::string vacatedPid()
{
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    if (pid < 0) throw std::runtime_error("fork failed");
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
    return std::to_string(pid);
}

std::string lastNonEmptyLine(const std::string& text)
{
    std::string last;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (end > start) last = text.substr(start, end - start);
        start = end + 1;
    }
    return last;
}

}  // namespace

void UpdateInstaller::selfTestReplaceMechanism(const SelfTestRecord& record, const std::optional<std::string>& exchanger)
{
    const std::string identifier = core::AppIdentity::current().bundleIdentifier + ".replacetest";
    fs::path folder;
    ReplaceJob job;
    try {
        folder = makePrivateFolder();
        // The staged bundle sits in a staging folder beside the target, as staging leaves it.
        const fs::path stageDir = folder / "stage";
        fs::create_directory(stageDir);
        makeDummy(folder / "Dummy.app", identifier, "old", exchanger);
        makeDummy(stageDir / "NewDummy.app", identifier, "new", exchanger);
        job = {.log = (folder / "install.log").string(),
               .pid = vacatedPid(),
               .target = (folder / "Dummy.app").string(),
               .staged = (stageDir / "NewDummy.app").string(),
               .stageDir = stageDir.string(),
               .package = (folder / "no.tar.gz").string(),
               .executable = executable,
               .oldExecutable = executable,
               .exchangeFolders = exchanger.has_value()};
    } catch (const std::exception& error) {
        record("替换测试：准备替身", false, error.what());
        std::error_code ignored;
        if (!folder.empty()) fs::remove_all(folder, ignored);
        return;
    }
    const auto removeFolder = [&] {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    };
    if (const auto refusal = replaceJobRefusal(job, identifier)) {
        record("替换测试：写入脚本", false, *refusal);
        removeFolder();
        return;
    }
    // Run for real even where the desktop's tools only pretend (scenarios).
    linuxdesktop::ProcessTools().startDetached(replaceScriptShell, replaceScriptArguments(job));

    const fs::path marker = folder / "Dummy.app" / "marker.txt";
    std::optional<std::string> markerText;
    dispatch::waitRealTime(
        [&] {
            markerText = core::fileContents(marker.string()).bytes;
            return markerText == "new";
        },
        replaceWait);
    record("替换脚本：等到进程退出后完成替换", markerText == "new", "marker=" + markerText.value_or("nil"));

    std::string log;
    dispatch::waitRealTime(
        [&] {
            log = core::fileContents(job.log).bytes.value_or("");
            return log.find("完成") != std::string::npos;
        },
        logWait);
    const bool traceable = log.find("替换") != std::string::npos && log.find("完成") != std::string::npos;
    record("替换脚本：留下可追查的日志", traceable, lastNonEmptyLine(log));
    removeFolder();
}
