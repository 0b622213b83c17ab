#include "ListingSigner.h"

#include "SignDiagnostic.h"

#include <openssl/err.h>
#include <openssl/obj_mac.h>

#include <climits>

namespace {

const unsigned char* Bytes(std::string_view text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

// ECDSA makes a high s (above half the order n) for half of all signatures. (r, n - s) is the
// same signature to OpenSSL, but clients take only the low form, so that no one can make a
// second valid signature of a listing from the maker's: a high s is turned into n - s here.
bool LowerS(std::string& der)
{
    const unsigned char* in = Bytes(der);
    const EcdsaSignatureOwner signature(d2i_ECDSA_SIG(nullptr, &in, static_cast<long>(der.size())));
    const EcGroupOwner group(EC_GROUP_new_by_curve_name(NID_X9_62_prime256v1));
    const BignumOwner half(BN_new());
    if (!signature || !group || !half || !BN_rshift1(half.get(), EC_GROUP_get0_order(group.get())))
        return false;
    const BIGNUM* r = nullptr;
    const BIGNUM* s = nullptr;
    ECDSA_SIG_get0(signature.get(), &r, &s);
    if (BN_cmp(s, half.get()) <= 0)
        return true;
    BignumOwner lowS(BN_new());
    BignumOwner sameR(BN_dup(r));
    if (!lowS || !sameR || !BN_sub(lowS.get(), EC_GROUP_get0_order(group.get()), s) ||
        !ECDSA_SIG_set0(signature.get(), sameR.get(), lowS.get()))
        return false;
    // The signature owns both numbers now.
    sameR.release();
    lowS.release();
    const int length = i2d_ECDSA_SIG(signature.get(), nullptr);
    if (length <= 0)
        return false;
    std::string lowered(static_cast<std::size_t>(length), '\0');
    auto* out = reinterpret_cast<unsigned char*>(lowered.data());
    if (i2d_ECDSA_SIG(signature.get(), &out) != length)
        return false;
    der = std::move(lowered);
    return true;
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
    if (!LowerS(der)) {
        ComplainOpenSsl("cannot bring the signature into its low-S form");
        return std::nullopt;
    }
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
