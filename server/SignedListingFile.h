#pragma once
// Where the maker's tool keeps a product's signed listing in the repository, and reading it.
// The file lies beside the product folder, never inside, so that it is not itself one of the
// product's files:
//   <root>/<product>/                  the product's files
//   <root>/<product>.brenhold-listing  their signed listing, sent for command 15 as it is

#include <string>

// The name of the signed listing of the product whose folder is productFolderName, in the
// folder that holds it.
std::string SignedListingName(const std::string& productFolderName);

// The path of the signed listing of the product whose folder is root/productFolderName.
std::string SignedListingPath(const std::string& root, const std::string& productFolderName);

struct StoredListing {
    enum class State {
        Absent,     // there is no signed listing: the product is listed by walking its folder
        Found,      // text holds the whole file
        Unreadable, // a file is there but cannot be read (a line went to standard error)
    };
    State state = State::Absent;
    std::string text;
};

// Reads the product's signed listing whole; a symbolic link to it is followed.
StoredListing ReadSignedListing(const std::string& root, const std::string& productFolderName);
