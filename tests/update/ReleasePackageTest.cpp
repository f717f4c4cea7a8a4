#include "platform/core/BundleFile.h"
#include "support/SimDesktopTest.h"
#include "support/TestPackages.h"
#include "support/X11Client.h"
#include "update/BundleSignature.h"
#include "update/PackageStaging.h"
#include "update/UpdateInstaller.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

// scripts/package run on the build, and the package it makes handed to the updater's
// staging, which is what installs it.
class ReleasePackageTest : public testsupport::SimDesktopTest {
protected:
    // Makes the package into its own folder; its path, empty when the script failed.
    std::string package(const std::vector<std::string>& options)
    {
        const std::string out = home() + "/out" + std::to_string(++runs_);
        std::vector<std::string> command{GLIMRA_SOURCE_DIR "/scripts/package", "--build", GLIMRA_BUILD_DIR, "--out", out};
        command.insert(command.end(), options.begin(), options.end());
        int status = -1;
        testsupport::runTool(command, &status);
        if (status != 0 || !fs::is_directory(out)) return {};
        const auto entry = fs::directory_iterator(out);
        return entry == fs::directory_iterator() ? std::string() : entry->path().string();
    }

    // The key in PEM, as `openssl genpkey -algorithm ed25519` writes it.
    std::string keyFile(const testsupport::SigningKey& key)
    {
        const std::string path = home() + "/key.pem";
        std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> pkey(
            EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr,
                                         reinterpret_cast<const unsigned char*>(key.privateKey.data()),
                                         key.privateKey.size()),
            &EVP_PKEY_free);
        std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "w"), &std::fclose);
        EXPECT_TRUE(pkey && file && PEM_write_PrivateKey(file.get(), pkey.get(), nullptr, nullptr, 0, nullptr, nullptr));
        return path;
    }

    std::string parent() const { return home() + "/Applications"; }

private:
    int runs_ = 0;
};

TEST_F(ReleasePackageTest, ASignedPackageIsOneBundleTheUpdaterStagesAndAnUnsignedOneItRefuses)
{
    fs::create_directories(parent());
    const auto key = testsupport::testSigningKey(7);
    const std::string signedPackage = package({"--key", keyFile(key)});
    ASSERT_FALSE(signedPackage.empty());
    const auto built = core::readBundleFile(GLIMRA_BUILD_DIR "/bundle");
    ASSERT_TRUE(built);
    EXPECT_EQ(fs::path(signedPackage).filename(), "Glimra-" + *built->version + "-" + *built->build + ".tar.gz");

    const StagedBundle staged = stagePackage(signedPackage, parent());
    EXPECT_EQ(verifiedBundleKeyId(staged.bundlePath), key.keyId());
    EXPECT_EQ(staged.info, *built);
    EXPECT_EQ(std::to_string(staged.build), *built->build);
    EXPECT_TRUE(fs::is_regular_file(staged.bundlePath + "/bin/glimra"));

    const std::string unsignedPackage = package({});
    ASSERT_FALSE(unsignedPackage.empty());
    std::string refusal;
    try {
        stagePackage(unsignedPackage, parent());
    } catch (const InstallError& error) {
        refusal = error.message;
    }
    EXPECT_EQ(refusal, "安装包的签名校验不通过");

    testsupport::writeFile(home() + "/not-a-key.pem", "not a key\n");
    EXPECT_TRUE(package({"--key", home() + "/not-a-key.pem"}).empty());
}

}  // namespace
