#include "support/SimDesktopTest.h"
#include "support/TestPackages.h"
#include "update/BundleSignature.h"
#include "update/PackageStaging.h"
#include "update/UpdateInstaller.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using testsupport::BundleContents;
using testsupport::TarEntry;

class PackageStagingTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        SimDesktopTest::SetUp();
        fs::create_directories(work());
        fs::create_directories(parent());
    }

    std::string work() const { return home() + "/work"; }
    // Where the running copy would be: staging happens beside it.
    std::string parent() const { return home() + "/Applications"; }
    std::string package() const { return work() + "/Glimra-1.2.0-120.tar.gz"; }

    // The refusal's message; also checks that staging left nothing behind.
    std::string refusalOf(const std::string& packagePath)
    {
        std::string message = "(staged)";
        try {
            stagePackage(packagePath, parent());
        } catch (const InstallError& error) {
            message = error.message;
        }
        EXPECT_TRUE(fs::is_empty(parent())) << message;
        return message;
    }

    // Signs a bundle made from contents, lets change alter it, then packs it.
    std::string tamperedPackage(const std::function<void(const std::string& bundle)>& change,
                                const BundleContents& contents = {})
    {
        const std::string source = work() + "/src";
        fs::remove_all(source);
        const std::string bundle = testsupport::makeBundle(source, contents);
        testsupport::signBundle(bundle, testsupport::testSigningKey());
        change(bundle);
        testsupport::packFolders(source, {"Glimra.app"}, package());
        return package();
    }
};

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

TEST_F(PackageStagingTest, SignedPackageIsStagedBesideTheTarget)
{
    BundleContents contents;
    contents.extraFiles["share/readme.txt"] = "hello";
    const auto key = testsupport::testSigningKey();
    const std::string packagePath = testsupport::makeSignedPackage(work(), contents, key);

    const StagedBundle staged = stagePackage(packagePath, parent());
    EXPECT_EQ(fs::path(staged.stageDir).parent_path(), fs::path(parent()));
    EXPECT_EQ(staged.bundlePath, staged.stageDir + "/Glimra.app");
    EXPECT_EQ(staged.info.identifier, "com.glimra.app");
    EXPECT_EQ(staged.info.executable, "bin/glimra");
    EXPECT_EQ(staged.build, 120);
    EXPECT_EQ(staged.keyId, key.keyId());
    EXPECT_EQ(verifiedBundleKeyId(staged.bundlePath), key.keyId());

    struct stat status {};
    ASSERT_EQ(::stat(staged.stageDir.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0700u);
    ASSERT_EQ(::stat((staged.bundlePath + "/bin/glimra").c_str(), &status), 0);
    EXPECT_TRUE(status.st_mode & S_IXUSR);
    EXPECT_EQ(testsupport::readFile(staged.bundlePath + "/share/readme.txt"), "hello");

    // tar really ran on the simulated desktop, and was journaled.
    const auto runs = journalOf("tool.run");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0]["path"], "/usr/bin/env");
    EXPECT_EQ(runs[1]["status"], 0);
}

TEST_F(PackageStagingTest, BuildIsReadAsADecimalNumber)
{
    for (const auto& [build, expected] : std::vector<std::pair<std::optional<std::string>, std::int64_t>>{
             {"7", 7}, {"12a", -1}, {"", -1}, {"1.2", -1}, {std::nullopt, -1}, {"99999999999999999999", -1}}) {
        BundleContents contents;
        contents.build = build;
        fs::remove_all(work());
        const auto staged = stagePackage(testsupport::makeSignedPackage(work(), contents), parent());
        EXPECT_EQ(staged.build, expected) << build.value_or("none");
        fs::remove_all(staged.stageDir);
    }
}

TEST_F(PackageStagingTest, HostileArchivesAreRefusedWithNothingLeft)
{
    const std::string outside = home() + "/outside";
    const auto app = TarEntry::folder("Glimra.app/");
    const auto file = [](std::string name, unsigned mode = 0644) {
        return TarEntry::regular(std::move(name), "x", mode);
    };
    TarEntry huge = file("Glimra.app/huge");
    huge.claimedSize = std::uint64_t{2} << 30;

    const std::vector<std::pair<std::string, std::vector<TarEntry>>> cases{
        {"absolute", {app, file(outside)}},
        {"dot-dot", {app, file("Glimra.app/../../outside")}},
        {"symlink then a file through it",
         {app, TarEntry::link(TarEntry::Type::symbolicLink, "Glimra.app/link", home()), file("Glimra.app/link/outside")}},
        {"hard link",
         {app, file("Glimra.app/bundle.json"),
          TarEntry::link(TarEntry::Type::hardLink, "Glimra.app/hard", "Glimra.app/bundle.json")}},
        {"fifo", {app, TarEntry::pipe("Glimra.app/fifo")}},
        {"two top-level entries", {app, TarEntry::folder("Other.app/")}},
        {"over the cap", {app, huge}},
        {"control character", {app, file("Glimra.app/a\nb")}},
        {"set-uid", {app, file("Glimra.app/bin", 04755)}},
        {"no app", {TarEntry::folder("Glimra/"), file("Glimra/x")}},
    };
    for (const auto& [what, entries] : cases) {
        testsupport::writeTarGz(package(), entries);
        const std::string message = refusalOf(package());
        EXPECT_NE(message, "(staged)") << what;
        EXPECT_FALSE(fs::exists(fs::symlink_status(outside))) << what;
        EXPECT_FALSE(fs::exists(home() + "/outside")) << what;
    }

    std::vector<TarEntry> crowded{app};
    for (int i = 0; i < 10000; ++i) crowded.push_back(TarEntry::regular("Glimra.app/" + std::to_string(i), ""));
    testsupport::writeTarGz(package(), crowded);
    EXPECT_EQ(refusalOf(package()), "安装包太大或文件太多") << "10,001 entries";

    testsupport::writeTarGz(package(), {app, file("/abs")});
    EXPECT_EQ(refusalOf(package()), "安装包里有不允许的内容（/abs）");
    testsupport::writeTarGz(package(), {TarEntry::folder("Glimra/")});
    EXPECT_EQ(refusalOf(package()), "安装包里没有找到 App");

    testsupport::writeFile(package(), "<html>not found</html>");
    EXPECT_TRUE(startsWith(refusalOf(package()), "无法解包下载的安装包（tar 2） ")) << refusalOf(package());

    const std::string good = testsupport::readFile(testsupport::makeSignedPackage(work(), {}));
    testsupport::writeFile(package(), good.substr(0, good.size() / 2));
    EXPECT_TRUE(startsWith(refusalOf(package()), "无法解包下载的安装包（tar ")) << "truncated gzip";

    EXPECT_TRUE(startsWith(refusalOf(work() + "/missing.tar.gz"), "无法解包下载的安装包（tar "));
}

TEST_F(PackageStagingTest, TamperedBundlesFailTheSignature)
{
    const std::string signatureMessage = "安装包的签名校验不通过";
    const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> tamperings{
        {"unsigned", [](const std::string& bundle) { fs::remove(bundle + "/bundle.sig"); }},
        {"changed byte",
         [](const std::string& bundle) { testsupport::writeFile(bundle + "/bin/glimra", "#!/bin/sh\nexit 1\n"); }},
        {"added file", [](const std::string& bundle) { testsupport::writeFile(bundle + "/extra", ""); }},
        {"removed file", [](const std::string& bundle) { fs::remove(bundle + "/bin/glimra"); }},
        {"flipped x bit", [](const std::string& bundle) { ::chmod((bundle + "/bin/glimra").c_str(), 0644); }},
        {"swapped key",
         [](const std::string& bundle) {
             const std::string signature = testsupport::readFile(bundle + "/bundle.sig");
             testsupport::writeFile(bundle + "/bundle.sig",
                                    testsupport::testSigningKey(2).publicKey + signature.substr(32));
         }},
        {"short signature file", [](const std::string& bundle) { testsupport::writeFile(bundle + "/bundle.sig", "x"); }},
        {"signature folder",
         [](const std::string& bundle) {
             fs::remove(bundle + "/bundle.sig");
             fs::create_directory(bundle + "/bundle.sig");
         }},
    };
    for (const auto& [what, change] : tamperings)
        EXPECT_EQ(refusalOf(tamperedPackage(change)), signatureMessage) << what;

    // Another key's valid signature is a different, untrusted key id, not a broken one.
    const auto other = testsupport::testSigningKey(2);
    fs::remove_all(work());
    const auto staged = stagePackage(testsupport::makeSignedPackage(work(), {}, other), parent());
    EXPECT_EQ(verifiedBundleKeyId(staged.bundlePath), other.keyId());
    EXPECT_NE(other.keyId(), testsupport::testSigningKey().keyId());
}

TEST_F(PackageStagingTest, ExecutableMustBeARelativeSignedProgramInsideTheBundle)
{
    for (const std::string executable :
         {"/bin/sh", "../Glimra.app/bin/glimra", "bin/../bin/glimra", "", "bin", "bin/missing", "share/data"}) {
        const auto withExecutable = [&](const std::string& bundle) {
            testsupport::writeFile(
                bundle + "/bundle.json",
                R"({"identifier":"com.glimra.app","build":"120","executable":")" + executable + R"("})");
            testsupport::writeFile(bundle + "/share/data", "plain");
            testsupport::signBundle(bundle, testsupport::testSigningKey());
        };
        fs::create_directories(work() + "/src/Glimra.app/share");
        EXPECT_EQ(refusalOf(tamperedPackage(withExecutable)), "安装包里没有找到 App") << executable;
    }
    EXPECT_EQ(refusalOf(tamperedPackage([](const std::string& bundle) {
                  fs::remove(bundle + "/bundle.json");
                  testsupport::signBundle(bundle, testsupport::testSigningKey());
              })),
              "安装包里没有找到 App");
}

}  // namespace
