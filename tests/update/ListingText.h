#pragma once
// Listing texts for test servers, written by the same writer the update server uses.

#include <cstdint>
#include <string>
#include <vector>

struct ListedFile {
    std::string path; // as listed, Windows-1252
    std::uint32_t time;
    std::uint64_t size;
};

// The file listing of product with one row per file, in the given order; empty when a
// path cannot be a listing field.
std::string ListingOf(const std::string& product, const std::vector<ListedFile>& files);
