// Signs a bundle folder for the updater: writes its "bundle.sig" with an Ed25519 private
// key in PEM (as `openssl genpkey -algorithm ed25519` writes it).
//   glimra-sign-bundle BUNDLE KEY.pem      prints the key id on success
#include "update/BundleSignature.h"

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

// The raw 32-byte private key in the PEM file; empty when it holds no Ed25519 key.
std::string rawPrivateKey(const char* path)
{
    std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path, "r"), &std::fclose);
    if (!file) return {};
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(PEM_read_PrivateKey(file.get(), nullptr, nullptr, nullptr),
                                                            &EVP_PKEY_free);
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519) return {};
    std::string raw(32, '\0');
    std::size_t length = raw.size();
    if (EVP_PKEY_get_raw_private_key(key.get(), reinterpret_cast<unsigned char*>(raw.data()), &length) != 1 ||
        length != raw.size())
        return {};
    return raw;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s BUNDLE KEY.pem\n", argv[0]);
        return 2;
    }
    const std::string bundle = argv[1];
    const std::string key = rawPrivateKey(argv[2]);
    if (key.empty()) {
        std::fprintf(stderr, "%s: %s holds no Ed25519 private key in PEM\n", argv[0], argv[2]);
        return 1;
    }
    const auto signature = bundleSignatureFile(bundle, key);
    if (!signature) {
        std::fprintf(stderr, "%s: %s cannot be signed (only folders and regular files may be in a bundle)\n", argv[0],
                     argv[1]);
        return 1;
    }
    std::ofstream out(bundle + "/bundle.sig", std::ios::binary | std::ios::trunc);
    out << *signature;
    out.close();
    const auto keyId = verifiedBundleKeyId(bundle);
    if (!out || !keyId) {
        std::fprintf(stderr, "%s: could not write %s/bundle.sig\n", argv[0], argv[1]);
        return 1;
    }
    std::printf("%s\n", keyId->c_str());
    return 0;
}
