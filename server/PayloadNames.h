#pragma once
// The payload store of a product: ROOT/PRODUCT.brenhold-payload/, beside the product folder,
// written by the signing tool and read by jobgate (or any static web server). It holds plain
// files named by hashes, so a name never stands for two contents:
//   SHA256.zst              the compressed form of the file whose SHA-256 that is
//   OLDSHA256-SHA256.zst    a patch from the older file OLDSHA256 to the file SHA256

#include <string>
#include <string_view>

std::string PayloadStorePath(const std::string& root, const std::string& productFolderName);

std::string CompressedPayloadName(const std::string& sha256Hex);
std::string PatchPayloadName(const std::string& oldSha256Hex, const std::string& sha256Hex);

// Whether name is a payload's name as above (and so can be asked for).
bool IsPayloadName(std::string_view name);
