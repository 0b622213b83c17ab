#include "SignedListingCache.h"

#include <sys/stat.h>

#include <cerrno>

namespace {

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

bool SignedListingCache::FileState::operator==(const FileState& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           SameTime(modified, other.modified) && SameTime(changed, other.changed);
}

StoredListing SignedListingCache::read(const std::string& root, const std::string& productFolderName)
{
    const std::string path = SignedListingPath(root, productFolderName);
    struct stat st {};
    // The state is taken before the file is read: a file replaced in between is read again
    // on the next request, since its state differs from the one kept.
    if (::stat(path.c_str(), &st) != 0) {
        entries_.erase(path);
        if (errno == ENOENT)
            return {};
        return ReadSignedListing(root, productFolderName); // which says why it cannot be read
    }
    const FileState state{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    const auto known = entries_.find(path);
    if (known != entries_.end() && known->second.state == state)
        return known->second.listing;

    StoredListing listing = ReadSignedListing(root, productFolderName);
    if (listing.state == StoredListing::State::Found)
        entries_[path] = Entry{state, listing};
    else
        entries_.erase(path);
    return listing;
}
