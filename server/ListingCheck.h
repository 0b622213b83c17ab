#pragma once
// Compares a product's signed listing with its files as they are now: what
// `jobgate-sign check` reports besides the signature.

#include "ProductHashes.h"
#include "filetree/FileTree.h"
#include "filetree/SignedListing.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The validity of a tree read from a signed listing; none when the tree is no signed file
// listing (headerCode 15, headerNumber 2, a validity ParseValidity reads).
std::optional<ListingValidity> SignedListingValidity(const FileTree& tree);

// One line (UTF-8) for each way the signed listing read into tree differs from the product
// (its name as listed, in Windows-1252) and its files, or is no longer valid at now (seconds
// since 1970 UTC): another product name, expired, a file missing, new, or with another time,
// size or content. Empty when the listing still describes the folder exactly.
std::vector<std::string> ListingDifferences(const FileTree& tree, const std::string& product,
                                            const std::vector<HashedFile>& files, std::uint64_t now);

// A time as "YYYY-MM-DD HH:MM UTC".
std::string UtcTimeText(std::uint64_t seconds);

// A Windows-1252 text from a listing as UTF-8 for the terminal, control bytes shown as "?".
std::string ShownText(const std::string& cp1252);
