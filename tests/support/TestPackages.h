#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// What goes into a test bundle "<name>.app". A member left none is left out of bundle.json.
struct BundleContents {
    std::string name = "Glimra";
    std::optional<std::string> identifier = std::string("com.glimra.app");
    std::optional<std::string> version = std::string("1.2.0");
    std::optional<std::string> build = std::string("120");
    std::optional<std::string> executable = std::string("bin/glimra");
    // Written at executable (mode 0755) when that is a plain relative path.
    std::string executableText = "#!/bin/sh\nexit 0\n";
    // Further files: path relative to the bundle -> contents (mode 0644).
    std::map<std::string, std::string> extraFiles;
};

// An Ed25519 key pair, raw.
struct SigningKey {
    std::string privateKey;  // 32 bytes
    std::string publicKey;   // 32 bytes
    // The first 16 hex digits of the SHA-256 of the public key.
    std::string keyId() const;
    // The public key in PEM, as `openssl pkey -pubout` writes it: an update-keys file.
    std::string publicKeyPem() const;
};

// A fixed test key; different seeds give different keys.
SigningKey testSigningKey(unsigned char seed = 1);

// Makes parentDir/<name>.app and returns its path.
std::string makeBundle(const std::string& parentDir, const BundleContents& contents);
// Writes the bundle's "bundle.sig" over its files as they are now.
void signBundle(const std::string& bundlePath, const SigningKey& key);
// Packs the folders (names inside sourceDir) into a gzip-ed tar at packagePath.
void packFolders(const std::string& sourceDir, const std::vector<std::string>& names, const std::string& packagePath);
// A signed bundle made in workDir/src and packed as workDir/Glimra-<version>-<build>.tar.gz;
// returns the package's path.
std::string makeSignedPackage(const std::string& workDir, const BundleContents& contents,
                              const SigningKey& key = testSigningKey());

// One member of a hand-made tar archive, for archives no tar would write.
struct TarEntry {
    enum class Type : char { file = '0', hardLink = '1', symbolicLink = '2', directory = '5', fifo = '6' };
    std::string name;
    Type type = Type::file;
    unsigned mode = 0644;
    std::string contents;
    std::string linkTarget;
    // The size the header claims, when it should differ from the contents' size.
    std::optional<std::uint64_t> claimedSize;

    static TarEntry folder(std::string name) { return make(std::move(name), Type::directory, 0755, {}, {}); }
    static TarEntry regular(std::string name, std::string contents = "x", unsigned mode = 0644)
    {
        return make(std::move(name), Type::file, mode, std::move(contents), {});
    }
    static TarEntry link(Type type, std::string name, std::string target)
    {
        return make(std::move(name), type, 0777, {}, std::move(target));
    }
    static TarEntry pipe(std::string name) { return make(std::move(name), Type::fifo, 0644, {}, {}); }

private:
    static TarEntry make(std::string name, Type type, unsigned mode, std::string contents, std::string target)
    {
        return {std::move(name), type, mode, std::move(contents), std::move(target), std::nullopt};
    }
};

// Writes the entries as a ustar archive compressed with "gzip -n".
void writeTarGz(const std::string& packagePath, const std::vector<TarEntry>& entries);

// Runs the program (searched on PATH) and returns its exit status; -1 when it did not exit.
int runProgram(const std::vector<std::string>& arguments);

}  // namespace testsupport
