#include "platform/core/Sha256.h"

#include "platform/core/ByteText.h"

#include <openssl/evp.h>

#include <cstdio>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace core {

namespace {

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

std::string finish(EVP_MD_CTX* context)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_DigestFinal_ex(context, digest, &length);
    return lowerHex(std::string_view(reinterpret_cast<const char*>(digest), length));
}

}  // namespace

std::string sha256Hex(std::string_view bytes)
{
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr);
    EVP_DigestUpdate(context.get(), bytes.data(), bytes.size());
    return finish(context.get());
}

std::optional<std::string> sha256HexOfFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr);
    std::vector<char> chunk(1 << 20);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got <= 0) break;
        EVP_DigestUpdate(context.get(), chunk.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return finish(context.get());
}

}  // namespace core
