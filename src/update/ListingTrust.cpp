#include "update/ListingTrust.h"

#include "crypto/Base64.h"
#include "crypto/Sha256.h"
#include "crypto/Signature.h"
#include "filetree/FileTree.h"
#include "filetree/SignedListing.h"

#include <algorithm>

namespace {

ListingVerdict Refusal(std::string reason)
{
    ListingVerdict verdict;
    verdict.reason = std::move(reason);
    return verdict;
}

} // namespace

ListingVerdict ListingTrust::check(std::string_view listing, const std::string& product, const AcceptedListing& known,
                                   std::uint64_t now, FileTree& tree) const
{
    const auto parts = SplitListing(listing);
    if (!parts)
        return Refusal("the listing has no preamble");
    const auto block = ParseSignatureBlock(parts->preamble);
    if (!block)
        return Refusal("the listing is not signed");
    const auto key = std::find_if(keys_.begin(), keys_.end(),
                                  [&](const EcPublicKey& trusted) { return KeyId(trusted) == block->keyId; });
    if (key == keys_.end())
        return Refusal("the listing is signed by the untrusted key " + block->keyId);
    const auto signature = DecodeBase64(block->signatureBase64);
    if (!signature || !VerifySignature(*key, parts->body, *signature))
        return Refusal("the listing's signature does not verify");

    FileTree& signedTree = tree;
    signedTree.readListing(listing);
    if (signedTree.headerNumber != kSignedListingLayout)
        return Refusal("the signed listing has an unknown layout");
    if (signedTree.headerText1 != product)
        return Refusal("the signed listing is for the product \"" + signedTree.headerText1 + "\"");
    const auto validity = ParseValidity(signedTree.headerText2);
    if (!validity)
        return Refusal("the signed listing has no serial and expiry");
    if (validity->serial < known.serial)
        return Refusal("the signed listing's serial " + std::to_string(validity->serial) +
                       " is older than the accepted " + std::to_string(known.serial));
    const std::string digest = HexDigest(Sha256Of(parts->body));
    if (validity->serial == known.serial && !known.digest.empty() && digest != known.digest)
        return Refusal("the signed listing's serial " + std::to_string(validity->serial) +
                       " was accepted before with other content");
    if (validity->expires <= now)
        return Refusal("the signed listing expired");

    ListingVerdict verdict;
    verdict.accepted = true;
    verdict.keyId = block->keyId;
    verdict.serial = validity->serial;
    verdict.expires = validity->expires;
    verdict.digest = digest;
    verdict.words = validity->words;
    if (const auto version = HeaderWord(*validity, kVersionWord); version && IsReleaseVersion(*version))
        verdict.version = *version;
    return verdict;
}

bool IsListedChecksum(const std::string& text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}
