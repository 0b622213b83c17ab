#include "ProductFiles.h"

#include "DirectoryStream.h"
#include "RepositoryNames.h"
#include "filetree/ListingWriter.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

namespace {

constexpr int kOpenDirectory = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

void Skip(const std::string& folder, const std::string& relative, const char* reason)
{
    std::fprintf(stderr, "jobgate: not listed: %s/%s: %s\n", folder.c_str(), relative.c_str(), reason);
}

std::uint32_t TimeStamp(const struct stat& st)
{
    constexpr auto kLatest = std::numeric_limits<std::uint32_t>::max();
    if (st.st_mtime < 0)
        return 0;
    if (static_cast<unsigned long long>(st.st_mtime) > kLatest)
        return kLatest;
    return static_cast<std::uint32_t>(st.st_mtime);
}

enum class LinkTarget { RegularFile, Folder, Outside, Missing };

// Where a symbolic link at folder/relative leads; resolved receives the path without
// links and target its status. Only the link's path is resolved: nothing outside the
// folder is opened.
LinkTarget ResolveLink(const std::string& folder, const std::string& relative, std::string& resolvedPath,
                       struct stat& target)
{
    const std::string link = folder + "/" + relative;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(link.c_str(), nullptr), &std::free);
    if (!resolved)
        return LinkTarget::Missing;
    resolvedPath = resolved.get();
    if (resolvedPath.compare(0, folder.size() + 1, folder + "/") != 0)
        return LinkTarget::Outside;
    if (::stat(resolvedPath.c_str(), &target) != 0)
        return LinkTarget::Missing;
    if (S_ISDIR(target.st_mode))
        return LinkTarget::Folder;
    return S_ISREG(target.st_mode) ? LinkTarget::RegularFile : LinkTarget::Missing;
}

class Walker {
public:
    Walker(const std::string& folder, std::vector<ListedFile>& files) : folder_(folder), files_(files) {}

    // Lists the folder open as fd, found at relative (UTF-8, "" for the product folder)
    // and listed as listed.
    void walk(UniqueFd fd, const std::string& relative, const std::string& listed)
    {
        DirectoryStream stream(::fdopendir(fd.get()));
        if (stream.get() == nullptr) {
            Skip(folder_, relative, "cannot read the folder");
            return;
        }
        fd.release();
        const int dirFd = ::dirfd(stream.get());
        while (const dirent* entry = ::readdir(stream.get())) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            visit(dirFd, name, relative.empty() ? name : relative + "/" + name, listed);
        }
    }

private:
    void visit(int dirFd, const std::string& name, const std::string& relative,
               const std::string& listedFolder)
    {
        const auto listedName = ListedName(name);
        if (!listedName) {
            Skip(folder_, relative,
                 "the name cannot be written in Windows-1252 or holds a backslash or control byte");
            return;
        }
        const std::string listed = listedFolder + "/" + *listedName;
        if (!FitsListingField(listed)) {
            Skip(folder_, relative, "the path is longer than a listing field");
            return;
        }
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        if (S_ISDIR(st.st_mode)) {
            UniqueFd sub(::openat(dirFd, name.c_str(), kOpenDirectory));
            if (sub.valid())
                walk(std::move(sub), relative, listed);
            else
                Skip(folder_, relative, "cannot open the folder");
        } else if (S_ISREG(st.st_mode)) {
            files_.push_back({listed, TimeStamp(st), static_cast<std::uint64_t>(st.st_size)});
        } else if (S_ISLNK(st.st_mode)) {
            struct stat target {};
            std::string resolved;
            switch (ResolveLink(folder_, relative, resolved, target)) {
            case LinkTarget::RegularFile:
                files_.push_back({listed, TimeStamp(target), static_cast<std::uint64_t>(target.st_size)});
                break;
            case LinkTarget::Folder:
                Skip(folder_, relative, "links to folders are not followed");
                break;
            case LinkTarget::Outside:
                Skip(folder_, relative, "the link leads outside the product folder");
                break;
            case LinkTarget::Missing:
                Skip(folder_, relative, "the link leads to no regular file");
                break;
            }
        }
    }

    const std::string& folder_;
    std::vector<ListedFile>& files_;
};

} // namespace

std::vector<ListedFile> ListProductFiles(const std::string& productFolder)
{
    std::vector<ListedFile> files;
    UniqueFd fd(::open(productFolder.c_str(), kOpenDirectory));
    if (!fd.valid()) {
        std::fprintf(stderr, "jobgate: cannot open the product folder %s\n", productFolder.c_str());
        return files;
    }
    Walker(productFolder, files).walk(std::move(fd), "", ".");
    std::sort(files.begin(), files.end(),
              [](const ListedFile& a, const ListedFile& b) { return a.path < b.path; });
    return files;
}

Lookup OpenProductFile(const std::string& productFolder, const std::vector<std::string>& names,
                       OpenedFile& file)
{
    UniqueFd dir(::open(productFolder.c_str(), kOpenDirectory));
    std::string relative;
    for (std::size_t i = 0; i + 1 < names.size() && dir.valid(); ++i) {
        dir = UniqueFd(::openat(dir.get(), names[i].c_str(), kOpenDirectory));
        relative += names[i] + "/";
    }
    if (!dir.valid())
        return Lookup::NotFound;
    const std::string& name = names.back();
    relative += name;

    struct stat st {};
    if (::fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Lookup::NotFound;
    UniqueFd fd;
    if (S_ISREG(st.st_mode)) {
        fd = UniqueFd(::openat(dir.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    } else if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        std::string resolved;
        const LinkTarget kind = ResolveLink(productFolder, relative, resolved, target);
        if (kind == LinkTarget::Outside)
            return Lookup::Refused;
        if (kind != LinkTarget::RegularFile)
            return Lookup::NotFound;
        // The resolved path, not the link: a link changed in the meantime is not followed.
        fd = UniqueFd(::open(resolved.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    }
    // The file may have changed since it was looked at; only a regular file is sent.
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return Lookup::NotFound;
    file.fd = std::move(fd);
    file.size = static_cast<std::uint64_t>(st.st_size);
    return Lookup::Found;
}
