#include "ListingSigner.h"

#include "SignDiagnostic.h"

#include <openssl/err.h>

#include <climits>

namespace {

const unsigned char* Bytes(std::string_view text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

} // namespace

std::optional<std::string> SignListingBody(EVP_PKEY* privateKey, std::string_view body)
{
    const DigestContextOwner context(EVP_MD_CTX_new());
    std::size_t length = 0;
    if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, privateKey) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &length, Bytes(body), body.size()) != 1) {
        ComplainOpenSsl("cannot start the signature");
        return std::nullopt;
    }
    std::string der(length, '\0');
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(der.data()), &length, Bytes(body),
                       body.size()) != 1) {
        ComplainOpenSsl("cannot sign the listing");
        return std::nullopt;
    }
    der.resize(length);
    return der;
}

bool VerifyListingBody(EVP_PKEY* publicKey, std::string_view body, std::string_view der)
{
    const DigestContextOwner context(EVP_MD_CTX_new());
    const bool valid = context &&
                       EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, publicKey) == 1 &&
                       EVP_DigestVerify(context.get(), Bytes(der), der.size(), Bytes(body), body.size()) == 1;
    // A signature that does not verify leaves its reason queued; it is no error of the tool.
    ERR_clear_error();
    return valid;
}

std::string Base64(std::string_view bytes)
{
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), Bytes(bytes),
                                       static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::optional<std::string> FromBase64(std::string_view text)
{
    if (text.size() % 4 != 0 || text.size() > INT_MAX)
        return std::nullopt;
    std::string bytes(3 * (text.size() / 4), '\0');
    const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()), Bytes(text),
                                       static_cast<int>(text.size()));
    if (length < 0)
        return std::nullopt;
    // EVP_DecodeBlock counts the bytes the padding stands for as zero bytes.
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    bytes.resize(static_cast<std::size_t>(length) - padding);
    return bytes;
}
