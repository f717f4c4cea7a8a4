#include "update/BundleSignature.h"

#include "platform/core/ByteText.h"
#include "platform/core/FileContents.h"
#include "platform/core/Sha256.h"

#include <openssl/evp.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include <sys/stat.h>

// "bundle.sig" is exactly 96 bytes: the raw 32-byte Ed25519 public key, then the 64-byte
// signature over this text (UTF-8, each line ended by "\n"):
//   glimra-bundle-sig-v1
//   <the public key, 64 lower-case hex digits>
//   <path>\t<sha256, lower-case hex>\t<x or ->     for every other regular file
// Paths are relative to the bundle, '/'-separated, sorted by their bytes; "x" when the
// owner may execute the file. Only folders and regular files may be in a signed bundle.

namespace {

namespace fs = std::filesystem;

constexpr std::size_t keyBytes = 32;
constexpr std::size_t signatureBytes = 64;

std::optional<std::string> readSignatureFile(const std::string& bundlePath)
{
    auto bytes = core::fileContents(bundlePath + "/bundle.sig").bytes;
    if (!bytes || bytes->size() != keyBytes + signatureBytes) return std::nullopt;
    return bytes;
}

// The signed text for the bundle as it is now; none when it holds anything but folders
// and regular files, or a name the listing cannot carry.
std::optional<std::string> signedListing(const std::string& bundlePath, std::string_view key)
{
    std::vector<std::string> lines;
    std::error_code error;
    fs::recursive_directory_iterator walk(bundlePath, error), end;
    for (; !error && walk != end; walk.increment(error)) {
        struct stat status {};
        if (::lstat(walk->path().c_str(), &status) != 0) return std::nullopt;
        if (S_ISDIR(status.st_mode)) continue;
        if (!S_ISREG(status.st_mode)) return std::nullopt;
        const std::string relative = walk->path().lexically_relative(bundlePath).generic_string();
        if (relative == "bundle.sig") continue;
        if (core::hasControlCharacter(relative)) return std::nullopt;
        const auto digest = core::sha256HexOfFile(walk->path().string());
        if (!digest) return std::nullopt;
        lines.push_back(relative + "\t" + *digest + "\t" + ((status.st_mode & S_IXUSR) ? "x" : "-") + "\n");
    }
    if (error) return std::nullopt;
    std::sort(lines.begin(), lines.end());
    std::string text = "glimra-bundle-sig-v1\n" + core::lowerHex(key) + "\n";
    for (const auto& line : lines) text += line;
    return text;
}

bool signatureHolds(std::string_view key, std::string_view signature, const std::string& message)
{
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> publicKey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(key.data()),
                                    key.size()),
        &EVP_PKEY_free);
    if (!publicKey) return false;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, publicKey.get()) != 1) return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()), signature.size(),
                            reinterpret_cast<const unsigned char*>(message.data()), message.size()) == 1;
}

using PrivateKey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

std::optional<std::string> rawPublicKey(EVP_PKEY& key)
{
    std::string publicKey(keyBytes, '\0');
    std::size_t length = publicKey.size();
    if (EVP_PKEY_get_raw_public_key(&key, reinterpret_cast<unsigned char*>(publicKey.data()), &length) != 1 ||
        length != keyBytes)
        return std::nullopt;
    return publicKey;
}

std::optional<std::string> signatureBy(EVP_PKEY& key, const std::string& message)
{
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    std::string signature(signatureBytes, '\0');
    std::size_t length = signature.size();
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, &key) != 1 ||
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size()) != 1)
        return std::nullopt;
    return signature;
}

}  // namespace

std::optional<std::string> verifiedBundleKeyId(const std::string& bundlePath)
{
    const auto file = readSignatureFile(bundlePath);
    if (!file) return std::nullopt;
    const std::string_view bytes = *file;
    const auto key = bytes.substr(0, keyBytes);
    const auto listing = signedListing(bundlePath, key);
    if (!listing || !signatureHolds(key, bytes.substr(keyBytes), *listing)) return std::nullopt;
    return keyIdOf(key);
}

std::string keyIdOf(std::string_view publicKey) { return core::sha256Hex(publicKey).substr(0, 16); }

std::optional<std::string> bundleSignatureFile(const std::string& bundlePath, std::string_view privateKey)
{
    if (privateKey.size() != keyBytes) return std::nullopt;
    const PrivateKey key(
        EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr,
                                     reinterpret_cast<const unsigned char*>(privateKey.data()), privateKey.size()),
        &EVP_PKEY_free);
    if (!key) return std::nullopt;
    const auto publicKey = rawPublicKey(*key);
    const auto listing = publicKey ? signedListing(bundlePath, *publicKey) : std::nullopt;
    const auto signature = listing ? signatureBy(*key, *listing) : std::nullopt;
    if (!signature) return std::nullopt;
    return *publicKey + *signature;
}
