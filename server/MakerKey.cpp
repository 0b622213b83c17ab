#include "MakerKey.h"

#include "FileHash.h"
#include "SignDiagnostic.h"

#include <openssl/core_names.h>
#include <openssl/obj_mac.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <string_view>

namespace {

constexpr std::size_t kKeyIdDigits = 16;

// Whether key is EC on P-256; otherwise says what it is instead.
bool IsP256(EVP_PKEY* key, const std::string& path)
{
    if (!EVP_PKEY_is_a(key, "EC")) {
        const char* type = EVP_PKEY_get0_type_name(key);
        Complain(path + " holds a key of type " + (type != nullptr ? type : "unknown") +
                 "; signing keys are EC P-256 (prime256v1)");
        return false;
    }
    char curve[80] = {};
    std::size_t length = 0;
    if (EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, curve, sizeof curve, &length) != 1) {
        Complain(path + " holds an EC key without a named curve; signing keys are EC P-256 (prime256v1)");
        return false;
    }
    if (std::string_view(curve, length) != SN_X9_62_prime256v1) {
        Complain(path + " holds an EC key on " + std::string(curve, length) +
                 "; signing keys are EC P-256 (prime256v1)");
        return false;
    }
    return true;
}

BioOwner OpenForReading(const std::string& path)
{
    BioOwner file(BIO_new_file(path.c_str(), "r"));
    if (!file)
        ComplainOpenSsl("cannot open " + path);
    return file;
}

std::optional<std::string> BioText(BIO* bio)
{
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    if (length < 0 || data == nullptr)
        return std::nullopt;
    return std::string(data, static_cast<std::size_t>(length));
}

} // namespace

PkeyOwner GenerateMakerKey()
{
    PkeyOwner key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", SN_X9_62_prime256v1));
    if (!key)
        ComplainOpenSsl("cannot make a P-256 key");
    return key;
}

PkeyOwner ReadPrivateKey(const std::string& path)
{
    const BioOwner file = OpenForReading(path);
    if (!file)
        return nullptr;
    PkeyOwner key(PEM_read_bio_PrivateKey(file.get(), nullptr, nullptr, nullptr));
    if (!key) {
        ComplainOpenSsl(path + " holds no PEM private key");
        return nullptr;
    }
    return IsP256(key.get(), path) ? std::move(key) : nullptr;
}

PkeyOwner ReadPublicKey(const std::string& path)
{
    const BioOwner file = OpenForReading(path);
    if (!file)
        return nullptr;
    PkeyOwner key(PEM_read_bio_PUBKEY(file.get(), nullptr, nullptr, nullptr));
    if (!key) {
        ComplainOpenSsl(path + " holds no PEM public key (-----BEGIN PUBLIC KEY-----)");
        return nullptr;
    }
    return IsP256(key.get(), path) ? std::move(key) : nullptr;
}

std::optional<std::string> PrivateKeyPem(EVP_PKEY* key)
{
    const BioOwner memory(BIO_new(BIO_s_mem()));
    if (!memory || PEM_write_bio_PrivateKey(memory.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1) {
        ComplainOpenSsl("cannot write the private key as PEM");
        return std::nullopt;
    }
    return BioText(memory.get());
}

std::optional<std::string> PublicKeyPem(EVP_PKEY* key)
{
    const BioOwner memory(BIO_new(BIO_s_mem()));
    if (!memory || PEM_write_bio_PUBKEY(memory.get(), key) != 1) {
        ComplainOpenSsl("cannot write the public key as PEM");
        return std::nullopt;
    }
    return BioText(memory.get());
}

std::optional<std::string> MakerKeyId(EVP_PKEY* key)
{
    unsigned char* der = nullptr;
    const int length = i2d_PUBKEY(key, &der);
    const OpenSslBytesOwner owner(der);
    if (length <= 0) {
        ComplainOpenSsl("cannot encode the public key");
        return std::nullopt;
    }
    const auto digest =
        Sha256Hex(std::string_view(reinterpret_cast<const char*>(der), static_cast<std::size_t>(length)));
    if (!digest)
        return std::nullopt;
    return digest->substr(0, kKeyIdDigits);
}
