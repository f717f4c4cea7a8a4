#include "update/TrustedKeys.h"

#include "platform/core/FileContents.h"
#include "platform/desktop/Desktop.h"
#include "update/BundleSignature.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

namespace {

constexpr std::size_t keyBytes = 32;

}  // namespace

std::vector<std::string> publicKeyIdsIn(const std::string& pemText)
{
    std::vector<std::string> ids;
    std::unique_ptr<BIO, decltype(&BIO_free)> input(BIO_new_mem_buf(pemText.data(), static_cast<int>(pemText.size())),
                                                    &BIO_free);
    if (!input) return ids;
    while (true) {
        std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
            PEM_read_bio_PUBKEY(input.get(), nullptr, nullptr, nullptr), &EVP_PKEY_free);
        if (!key) break;
        std::string raw(keyBytes, '\0');
        std::size_t length = raw.size();
        if (EVP_PKEY_get_id(key.get()) == EVP_PKEY_ED25519 &&
            EVP_PKEY_get_raw_public_key(key.get(), reinterpret_cast<unsigned char*>(raw.data()), &length) == 1 &&
            length == keyBytes)
            ids.push_back(keyIdOf(raw));
    }
    // The end of the text leaves a "no start line" error behind; it must not reach the
    // next caller of OpenSSL on this thread.
    ERR_clear_error();
    return ids;
}

std::vector<std::string> trustedKeyIds(const std::string& bundlePath)
{
    const auto file = desktop::installation().trustedKeysFile(bundlePath);
    if (!file) return {};
    const auto text = core::fileContents(*file).bytes;
    return text ? publicKeyIdsIn(*text) : std::vector<std::string>{};
}

std::optional<std::string> teamOf(const std::vector<std::string>& keyIds)
{
    if (keyIds.empty()) return std::nullopt;
    std::string team;
    for (const auto& id : keyIds) team += (team.empty() ? "" : ",") + id;
    return team;
}
