#include "support/TestCertificate.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <functional>
#include <memory>

namespace testsupport {
namespace {

void writePem(const std::string& path, const std::function<int(FILE*)>& write)
{
    std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "w"), &std::fclose);
    ASSERT_TRUE(file);
    ASSERT_EQ(write(file.get()), 1);
}

}  // namespace

void writeSelfSignedCertificate(const std::string& certificatePath, const std::string& keyPath)
{
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
    ASSERT_TRUE(key);
    std::unique_ptr<X509, decltype(&X509_free)> certificate(X509_new(), &X509_free);
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -60);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 24 * 3600);
    X509_set_pubkey(certificate.get(), key.get());
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(certificate.get(), name);
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate.get(), certificate.get(), nullptr, nullptr, 0);
    std::unique_ptr<X509_EXTENSION, decltype(&X509_EXTENSION_free)> altName(
        X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name, "IP:127.0.0.1"), &X509_EXTENSION_free);
    ASSERT_TRUE(altName);
    X509_add_ext(certificate.get(), altName.get(), -1);
    ASSERT_GT(X509_sign(certificate.get(), key.get(), EVP_sha256()), 0);

    writePem(certificatePath, [&](FILE* file) { return PEM_write_X509(file, certificate.get()); });
    writePem(keyPath,
             [&](FILE* file) { return PEM_write_PrivateKey(file, key.get(), nullptr, nullptr, 0, nullptr, nullptr); });
}

}  // namespace testsupport
