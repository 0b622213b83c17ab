#include "SignedListingFile.h"

#include "RepositoryNames.h"
#include "UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

StoredListing Unreadable(const std::string& path, const char* reason)
{
    std::fprintf(stderr, "jobgate: cannot read the signed listing %s: %s\n", path.c_str(), reason);
    return {StoredListing::State::Unreadable, {}};
}

} // namespace

std::string SignedListingName(const std::string& productFolderName)
{
    return productFolderName + std::string(kSignedListingEnding);
}

std::string SignedListingPath(const std::string& root, const std::string& productFolderName)
{
    return root + "/" + SignedListingName(productFolderName);
}

StoredListing ReadSignedListing(const std::string& root, const std::string& productFolderName)
{
    const std::string path = SignedListingPath(root, productFolderName);
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT)
            return {};
        return Unreadable(path, std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return Unreadable(path, std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return Unreadable(path, "not a regular file");

    StoredListing listing{StoredListing::State::Found,
                          std::string(static_cast<std::size_t>(st.st_size), '\0')};
    std::size_t got = 0;
    while (got < listing.text.size()) {
        const ssize_t n = ::read(fd.get(), listing.text.data() + got, listing.text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Unreadable(path, std::strerror(errno));
        if (n == 0)
            return Unreadable(path, "the file shrank while it was read");
        got += static_cast<std::size_t>(n);
    }
    return listing;
}
