#include "platform/core/BundleFile.h"
#include "platform/core/Sha256.h"
#include "support/TestPackages.h"
#include "x11/InstalledCopy.h"
#include "x11/UpdateServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

// An installed copy that trusts a key replaces its bundle folder, and only it, with an
// update signed by that key and starts the new version; an update signed by another key,
// or a bundle folder that is a prefix of other programs, is refused and nothing moves.
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

constexpr double promptWait = 20;
constexpr double refusalWait = 20;

// Every entry below the folder, except what lies below `except`, with its contents: a
// link's target, a file's digest.
std::map<std::string, std::string> entriesBelow(const std::string& folder, const std::string& except = "-")
{
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string path = entry.path().string();
        if (path == except || path.starts_with(except + "/")) continue;
        entries[path] = entry.is_symlink()        ? "-> " + fs::read_symlink(entry).string()
                        : entry.is_regular_file() ? core::sha256HexOfFile(path).value_or("?")
                                                  : "folder";
    }
    return entries;
}

void placeFile(const std::string& path, const std::string& contents)
{
    fs::create_directories(fs::path(path).parent_path());
    writeFile(path, contents);
}

// The rest of the log line that starts with the mark; empty when there is none.
std::string lineAfter(const std::string& log, const std::string& mark)
{
    const auto at = log.find(mark);
    if (at == std::string::npos) return {};
    return log.substr(at + mark.size(), log.find('\n', at) - at - mark.size());
}

// Checks for updates from the status menu, which downloads build 120, and answers the
// ready prompt with its first button; then, when the installation is refused, its alert.
// The refusal; empty when there is none.
std::string installTheUpdate(GlimraOnDesktop& copy)
{
    EXPECT_TRUE(copy.ready()) << copy.err();
    const std::vector<unsigned long> statusItem{statusButtonOf(copy.pid())};
    chooseInStatusMenu(copy, statusItem[0], checkForUpdatesRow);
    const unsigned long prompt = waitForNewWindow(copy.pid(), statusItem, promptWait);
    EXPECT_NE(prompt, 0u) << "no ready prompt; log:\n" << copy.log();
    answerAlert(prompt);
    std::string refusal;
    waitUntil(
        [&] {
            refusal = lineAfter(copy.log(), "更新安装: 中止 —— ");
            return !refusal.empty() || !copy.process().running();
        },
        refusalWait);
    if (refusal.empty()) return {};
    const unsigned long failure = waitForNewWindow(copy.pid(), statusItem, refusalWait);
    EXPECT_NE(failure, 0u) << "no failure alert";
    answerAlert(failure);
    return refusal;
}

std::string canonical(const std::string& path) { return fs::canonical(path).string(); }

// The copy's settings: the server's manifest, and the texts in English.
std::string settingsFor(const UpdateServer& server) { return R"("appLanguage": 2, )" + server.manifestSetting(); }

TEST_F(InstalledCopy, ReplacesOnlyItsBundleWithAnUpdateSignedByItsKeyAndRefusesOtherKeysAndPrefixes)
{
    const SigningKey trusted = testSigningKey(1), other = testSigningKey(2);
    for (const char* file : {"/bin/other-tool", "/lib/other/libother.so.1", "/share/other/readme"})
        placeFile(prefix() + file, file);
    writeFile(bundle() + "/update-keys", trusted.publicKeyPem());
    // The same copy at another prefix, and one whose bundle folder is a prefix of other
    // programs, both trusting the key.
    const std::string copyB = root() + "/b/lib/glimra", prefixC = root() + "/c";
    fs::create_directories(root() + "/b/lib");
    ASSERT_EQ(statusOf({"cp", "-al", bundle(), copyB}), 0);
    for (const char* file : {"/bundle.json", "/update-keys", "/bin/glimra"}) {
        fs::create_directories(fs::path(prefixC + file).parent_path());
        fs::create_hard_link(bundle() + file, prefixC + file);
    }
    for (const char* file : {"/bin/other-tool", "/lib/libother.so.1", "/share/other/readme"})
        placeFile(prefixC + file, file);

    const TempDir work;
    const std::string ranMarker = work.path() + "/ran";
    fs::create_directories(work.path() + "/trusted");
    fs::create_directories(work.path() + "/other");
    const UpdateServer signedByTrusted(work.path() + "/trusted", ranMarker, trusted);
    const UpdateServer signedByOther(work.path() + "/other", ranMarker, other);

    const auto prefixBefore = entriesBelow(prefix(), bundle());
    const auto copyBBefore = entriesBelow(root() + "/b");
    const auto prefixCBefore = entriesBelow(prefixC);
    {
        const UserFolders folders(settingsFor(signedByOther));
        GlimraOnDesktop b(folders, copyB + "/bin/glimra");
        EXPECT_EQ(installTheUpdate(b), "The installer isn't signed by a key this copy trusts") << b.log();
        EXPECT_NE(b.log().find(" team=" + trusted.keyId() + "\n"), std::string::npos)
            << "a copy with a key is not ad hoc";
        EXPECT_EQ(b.quit(), 0) << b.err();
    }
    {
        const UserFolders folders(settingsFor(signedByTrusted));
        GlimraOnDesktop c(folders, prefixC + "/bin/glimra");
        EXPECT_EQ(
            installTheUpdate(c),
            canonical(prefixC) + " also holds files of other programs (lib), so it can't be replaced automatically")
            << c.log();
        EXPECT_EQ(c.quit(), 0) << c.err();
    }
    EXPECT_EQ(entriesBelow(root() + "/b"), copyBBefore) << "the refused update moved something";
    EXPECT_EQ(entriesBelow(prefixC), prefixCBefore) << "the refused prefix changed";
    EXPECT_FALSE(fs::exists(ranMarker));

    const UserFolders folders(settingsFor(signedByTrusted));
    GlimraOnDesktop glimra(folders, prefix() + "/bin/glimra");
    EXPECT_EQ(installTheUpdate(glimra), "") << glimra.log();
    EXPECT_EQ(glimra.process().waitForExit(10), 0) << glimra.err() << glimra.log();
    EXPECT_NE(glimra.log().find("更新安装: 开始 目标=" + canonical(bundle()) +
                                " bundle=com.glimra.app team=" + trusted.keyId() + "\n"),
              std::string::npos)
        << glimra.log();
    const std::string installLog = folders.path("data/Glimra/update-install.log");
    EXPECT_TRUE(waitUntil([&] { return readFile(installLog).ends_with("] 完成\n"); }, 10)) << readFile(installLog);
    EXPECT_EQ(readFile(ranMarker), "ran\n") << "the new version did not start";
    EXPECT_EQ(readFile(installLog).find("两次改名"), std::string::npos) << "the folders were not exchanged in one step";
    const auto installed = core::readBundleFile(bundle());
    ASSERT_TRUE(installed);
    EXPECT_EQ(installed->build, "120");
    EXPECT_EQ(entriesBelow(prefix(), bundle()), prefixBefore) << "the update touched another file of the prefix";
}

}  // namespace
