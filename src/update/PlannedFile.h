#pragma once
// One file of a listing that the run has to fetch, as the listing describes it.

#include <cstdint>
#include <string>

struct PlannedFile {
    std::string path;   // as listed: "./" and the names joined by "/", Windows-1252
    std::uint32_t time = 0;
    std::uint32_t size = 0;
    std::string sha256; // 64 lower-case hex digits; empty when the listing carries none
    // Set when the download is a payload of the store that the file is made from (a
    // compressed form or a patch): its name there. size and sha256 are then the payload's.
    std::string payload = {};
};
