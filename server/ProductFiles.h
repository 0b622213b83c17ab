#pragma once
// The files of one product folder in the repository: listing them all, and opening one
// that a client asks for by its listed path.

#include "UniqueFd.h"

#include <cstdint>
#include <string>
#include <vector>

struct ListedFile {
    std::string path; // as listed: "./" and the Windows-1252 names joined by "/"
    std::uint32_t time;
    std::uint64_t size;
};

// Every regular file below the product folder (a canonical path), in byte order of the
// listed paths. Symbolic links are listed as the file they lead to when that is a regular
// file inside the folder; links to folders and links leading outside are not followed.
// Files whose path cannot be listed are left out with a line on standard error.
std::vector<ListedFile> ListProductFiles(const std::string& productFolder);

enum class Lookup { Found, NotFound, Refused };

struct OpenedFile {
    UniqueFd fd;
    std::uint64_t size = 0;
};

// Opens the file that ListProductFiles lists under the given names (UTF-8, one per path
// step) for reading. Refused when it is a link that leads outside the product folder.
Lookup OpenProductFile(const std::string& productFolder, const std::vector<std::string>& names,
                       OpenedFile& file);
