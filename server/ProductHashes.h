#pragma once
// A product's files as command 15 lists them, each with the SHA-256 of the bytes command 16
// sends for it: what a signed listing holds.

#include "ProductFiles.h"

#include <optional>
#include <string>
#include <vector>

struct HashedFile {
    ListedFile file;
    std::string sha256Hex;
};

// Every file ListProductFiles lists for the product folder (a canonical path), in its order,
// hashed as OpenProductFile opens it. None, with a line on standard error, when a listed file
// cannot be opened or read, or its size changed while it was being read.
std::optional<std::vector<HashedFile>> HashProductFiles(const std::string& productFolder);
