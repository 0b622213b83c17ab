#include "filetree/SignedListing.h"

#include "filetree/ListingFormat.h"
#include "text/CharClass.h"
#include "text/StringUtil.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::string_view kSignaturePrefix = "brenhold-signature 1 ";
constexpr std::size_t kKeyIdLength = 16;
constexpr std::string_view kValidityPrefix = "files serial=";
constexpr std::string_view kExpiresPrefix = " expires=";
constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool IsLowerHex(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f');
}

// Whether text is base64 as one encoder writes it for some bytes: the standard alphabet in
// groups of four, one or two "=" only at the end, and the bits that padding leaves over zero
// (so that no two texts stand for the same signature).
bool IsCanonicalBase64(std::string_view text)
{
    if (text.empty() || text.size() % 4 != 0)
        return false;
    std::size_t padding = 0;
    while (padding < 2 && text[text.size() - 1 - padding] == '=')
        ++padding;
    const std::string_view digits = text.substr(0, text.size() - padding);
    if (digits.find_first_not_of(kBase64Alphabet) != std::string_view::npos)
        return false;
    if (padding == 0)
        return true;
    // The last digit carries 2 (one "=") or 4 (two "=") bits that no byte uses.
    const std::size_t last = kBase64Alphabet.find(digits.back());
    const std::size_t unused = padding == 1 ? 0x03 : 0x0F;
    return (last & unused) == 0;
}

} // namespace

std::optional<ListingParts> SplitListing(std::string_view listing)
{
    const std::size_t end = listing.find(listing::kPreambleTerminator);
    if (end == std::string_view::npos)
        return std::nullopt;
    return ListingParts{listing.substr(0, end), listing.substr(end + 1)};
}

std::optional<ListingSignatureBlock> ParseSignatureBlock(std::string_view preamble)
{
    if (preamble.size() > listing::kTextLimit ||
        preamble.substr(0, kSignaturePrefix.size()) != kSignaturePrefix)
        return std::nullopt;
    preamble.remove_prefix(kSignaturePrefix.size());
    if (preamble.size() <= kKeyIdLength || preamble[kKeyIdLength] != ' ')
        return std::nullopt;
    const std::string_view keyId = preamble.substr(0, kKeyIdLength);
    for (char c : keyId) {
        if (!IsLowerHex(c))
            return std::nullopt;
    }
    const std::string_view signature = preamble.substr(kKeyIdLength + 1);
    if (!IsCanonicalBase64(signature))
        return std::nullopt;
    return ListingSignatureBlock{std::string(keyId), std::string(signature)};
}

std::string FormatSignatureBlock(const ListingSignatureBlock& block)
{
    return std::string(kSignaturePrefix) + block.keyId + " " + block.signatureBase64;
}

std::optional<ListingValidity> ParseValidity(std::string_view headerText2)
{
    if (headerText2.substr(0, kValidityPrefix.size()) != kValidityPrefix)
        return std::nullopt;
    headerText2.remove_prefix(kValidityPrefix.size());
    const std::size_t space = headerText2.find(kExpiresPrefix);
    if (space == std::string_view::npos)
        return std::nullopt;
    const auto serial = ParseDecimal64(headerText2.substr(0, space));
    std::string_view rest = headerText2.substr(space + kExpiresPrefix.size());
    const std::size_t wordsStart = std::min(rest.find(' '), rest.size());
    const auto expires = ParseDecimal64(rest.substr(0, wordsStart));
    if (!serial || !expires)
        return std::nullopt;
    ListingValidity validity{*serial, *expires, {}};
    rest.remove_prefix(wordsStart);
    while (!rest.empty()) {
        rest.remove_prefix(1); // the space before the word
        const std::string_view word = rest.substr(0, std::min(rest.find(' '), rest.size()));
        rest.remove_prefix(word.size());
        const std::size_t equals = std::min(word.find('='), word.size());
        ListingHeaderWord parsed{std::string(word.substr(0, equals)), std::string(word.substr(std::min(equals + 1, word.size())))};
        if (parsed.name.empty() || parsed.name == "serial" || parsed.name == "expires")
            return std::nullopt;
        validity.words.push_back(std::move(parsed));
    }
    return validity;
}

std::string FormatValidity(const ListingValidity& validity)
{
    std::string text = std::string(kValidityPrefix) + std::to_string(validity.serial) +
                       std::string(kExpiresPrefix) + std::to_string(validity.expires);
    for (const ListingHeaderWord& word : validity.words)
        text += " " + word.name + "=" + word.value;
    return text;
}

bool IsReleaseVersion(std::string_view text)
{
    if (text.empty() || text.size() > kLongestVersion)
        return false;
    for (const char c : text) {
        const bool letterOrDigit = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letterOrDigit && c != '.' && c != '-' && c != '+' && c != '_')
            return false;
    }
    return true;
}

std::optional<std::string> HeaderWord(const ListingValidity& validity, std::string_view name)
{
    for (const ListingHeaderWord& word : validity.words) {
        if (word.name == name)
            return word.value;
    }
    return std::nullopt;
}
