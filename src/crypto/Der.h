#pragma once
// A reader of DER elements for the strict key and signature parsers.

#include <cstdint>
#include <optional>
#include <string_view>

inline constexpr std::uint8_t kDerInteger = 0x02;
inline constexpr std::uint8_t kDerBitString = 0x03;
inline constexpr std::uint8_t kDerOctetString = 0x04;
inline constexpr std::uint8_t kDerObjectId = 0x06;
inline constexpr std::uint8_t kDerSequence = 0x30;

// The content bytes of the object identifiers of an EC public key and of its curve.
inline constexpr std::string_view kEcPublicKeyOid = "\x2a\x86\x48\xce\x3d\x02\x01";    // 1.2.840.10045.2.1
inline constexpr std::string_view kPrime256v1Oid = "\x2a\x86\x48\xce\x3d\x03\x01\x07"; // 1.2.840.10045.3.1.7

struct DerElement {
    std::uint8_t tag = 0;
    std::string_view content;
};

// Takes the element at the front of input off it: a one-byte tag and a definite length in
// its shortest form (short form below 128, long form of at most four bytes without leading
// zero otherwise) whose content is present. Empty, and input unchanged, when input does not
// start with such an element.
std::optional<DerElement> TakeDerElement(std::string_view& input);

// The content of the element at the front of input when it has the tag, taken off input;
// empty, and input unchanged, otherwise.
std::optional<std::string_view> TakeDer(std::string_view& input, std::uint8_t tag);
