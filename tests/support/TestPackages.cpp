#include "support/TestPackages.h"

#include "platform/core/ByteText.h"
#include "platform/core/Sha256.h"
#include "support/TestEnvironment.h"

#include <nlohmann/json.hpp>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace testsupport {
namespace {

namespace fs = std::filesystem;
using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

Key privateKeyOf(const SigningKey& key)
{
    Key pkey(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr,
                                          reinterpret_cast<const unsigned char*>(key.privateKey.data()),
                                          key.privateKey.size()),
             &EVP_PKEY_free);
    if (!pkey) throw std::runtime_error("bad Ed25519 key");
    return pkey;
}

std::string sign(const SigningKey& key, const std::string& message)
{
    const Key pkey = privateKeyOf(key);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    std::string signature(64, '\0');
    size_t length = signature.size();
    if (EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, pkey.get()) != 1 ||
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size()) != 1)
        throw std::runtime_error("signing failed");
    return signature;
}

// Written here apart from the verifier, from the documented layout, so a slip in either shows.
std::string signedListing(const std::string& bundlePath, const std::string& publicKey)
{
    std::vector<std::string> lines;
    for (const auto& entry : fs::recursive_directory_iterator(bundlePath)) {
        if (!entry.is_regular_file() || entry.is_symlink()) continue;
        const std::string relative = fs::relative(entry.path(), bundlePath).string();
        if (relative == "bundle.sig") continue;
        struct stat status {};
        ::lstat(entry.path().c_str(), &status);
        const auto digest = core::sha256HexOfFile(entry.path().string());
        lines.push_back(relative + "\t" + digest.value_or("") + "\t" + ((status.st_mode & S_IXUSR) ? "x" : "-") + "\n");
    }
    std::sort(lines.begin(), lines.end());
    std::string message = "glimra-bundle-sig-v1\n" + core::lowerHex(publicKey) + "\n";
    for (const auto& line : lines) message += line;
    return message;
}

// width - 1 octal digits and a NUL, as ustar numbers are written.
void putOctal(char* field, std::size_t width, std::uint64_t value)
{
    field[width - 1] = '\0';
    for (std::size_t i = width - 1; i-- > 0; value >>= 3) field[i] = static_cast<char>('0' + (value & 7));
}

std::string ustarHeader(const TarEntry& entry)
{
    std::string header(512, '\0');
    char* block = header.data();
    std::copy_n(entry.name.data(), std::min<std::size_t>(entry.name.size(), 100), block);
    putOctal(block + 100, 8, entry.mode);
    putOctal(block + 108, 8, 0);
    putOctal(block + 116, 8, 0);
    putOctal(block + 124, 12, entry.claimedSize.value_or(entry.contents.size()));
    putOctal(block + 136, 12, 1700000000);
    block[156] = static_cast<char>(entry.type);
    std::copy_n(entry.linkTarget.data(), std::min<std::size_t>(entry.linkTarget.size(), 100), block + 157);
    std::copy_n(
        "ustar\0"
        "00",
        8, block + 257);
    std::fill_n(block + 148, 8, ' ');
    unsigned sum = 0;
    for (const unsigned char byte : header) sum += byte;
    putOctal(block + 148, 7, sum);
    return header;
}

}  // namespace

std::string SigningKey::keyId() const { return core::sha256Hex(publicKey).substr(0, 16); }

std::string SigningKey::publicKeyPem() const
{
    const Key pkey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(publicKey.data()),
                                    publicKey.size()),
        &EVP_PKEY_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new(BIO_s_mem()), &BIO_free);
    if (!pkey || !out || PEM_write_bio_PUBKEY(out.get(), pkey.get()) != 1)
        throw std::runtime_error("cannot write the key");
    char* data = nullptr;
    const long size = BIO_get_mem_data(out.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

SigningKey testSigningKey(unsigned char seed)
{
    SigningKey key;
    key.privateKey.assign(32, static_cast<char>(seed));
    const Key pkey = privateKeyOf(key);
    key.publicKey.assign(32, '\0');
    size_t length = key.publicKey.size();
    EVP_PKEY_get_raw_public_key(pkey.get(), reinterpret_cast<unsigned char*>(key.publicKey.data()), &length);
    return key;
}

std::string makeBundle(const std::string& parentDir, const BundleContents& contents)
{
    const std::string bundle = parentDir + "/" + contents.name + ".app";
    fs::create_directories(bundle);
    nlohmann::json info = nlohmann::json::object();
    if (contents.identifier) info["identifier"] = *contents.identifier;
    if (contents.version) info["version"] = *contents.version;
    if (contents.build) info["build"] = *contents.build;
    if (contents.executable) info["executable"] = *contents.executable;
    writeFile(bundle + "/bundle.json", info.dump(2));
    if (contents.executable && !contents.executable->empty() && contents.executable->front() != '/' &&
        contents.executable->find("..") == std::string::npos) {
        const std::string path = bundle + "/" + *contents.executable;
        fs::create_directories(fs::path(path).parent_path());
        writeFile(path, contents.executableText);
        ::chmod(path.c_str(), 0755);
    }
    for (const auto& [relative, text] : contents.extraFiles) {
        const std::string path = bundle + "/" + relative;
        fs::create_directories(fs::path(path).parent_path());
        writeFile(path, text);
        ::chmod(path.c_str(), 0644);
    }
    return bundle;
}

void signBundle(const std::string& bundlePath, const SigningKey& key)
{
    writeFile(bundlePath + "/bundle.sig", key.publicKey + sign(key, signedListing(bundlePath, key.publicKey)));
}

void packFolders(const std::string& sourceDir, const std::vector<std::string>& names, const std::string& packagePath)
{
    std::vector<std::string> arguments{"tar", "-czf", packagePath, "-C", sourceDir, "--"};
    arguments.insert(arguments.end(), names.begin(), names.end());
    if (runProgram(arguments) != 0) throw std::runtime_error("tar failed");
}

std::string makeSignedPackage(const std::string& workDir, const BundleContents& contents, const SigningKey& key)
{
    const std::string source = workDir + "/src";
    signBundle(makeBundle(source, contents), key);
    const std::string package =
        workDir + "/Glimra-" + contents.version.value_or("0") + "-" + contents.build.value_or("0") + ".tar.gz";
    packFolders(source, {contents.name + ".app"}, package);
    return package;
}

void writeTarGz(const std::string& packagePath, const std::vector<TarEntry>& entries)
{
    std::string archive;
    for (const auto& entry : entries) {
        archive += ustarHeader(entry);
        archive += entry.contents;
        archive.append((512 - entry.contents.size() % 512) % 512, '\0');
    }
    archive.append(1024, '\0');
    const std::string tarPath = packagePath + ".tar";
    writeFile(tarPath, archive);
    if (runProgram({"gzip", "-n", "-f", tarPath}) != 0) throw std::runtime_error("gzip failed");
    fs::rename(tarPath + ".gz", packagePath);
}

int runProgram(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testsupport
