#include "PayloadStore.h"

#include "DirectoryStream.h"
#include "SignDiagnostic.h"
#include "filetree/PayloadColumns.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

constexpr std::string_view kPayloadEnding = ".zst";
constexpr std::string_view kTemporaryEnding = ".tmp";

} // namespace

std::string PayloadStorePath(const std::string& root, const std::string& productFolderName)
{
    return root + "/" + productFolderName + ".brenhold-payload";
}

std::string CompressedPayloadName(const std::string& sha256Hex)
{
    return sha256Hex + std::string(kPayloadEnding);
}

std::string PatchPayloadName(const std::string& oldSha256Hex, const std::string& sha256Hex)
{
    return oldSha256Hex + "-" + sha256Hex + std::string(kPayloadEnding);
}

bool IsPayloadName(std::string_view name)
{
    if (name.size() <= kPayloadEnding.size() || name.substr(name.size() - kPayloadEnding.size()) != kPayloadEnding)
        return false;
    name.remove_suffix(kPayloadEnding.size());
    if (name.size() == 64)
        return IsSha256Hex(name);
    return name.size() == 129 && name[64] == '-' && IsSha256Hex(name.substr(0, 64)) && IsSha256Hex(name.substr(65));
}

bool MakePayloadStore(const std::string& store)
{
    if (::mkdir(store.c_str(), 0755) != 0 && errno != EEXIST) {
        Complain("cannot make the payload store " + store + ": " + std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::lstat(store.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Complain(store + " is no folder: move it away to keep compressed forms and patches there");
        return false;
    }
    return true;
}

bool PrunePayloadStore(const std::string& store, const std::set<std::string>& keep)
{
    DirectoryStream directory(::opendir(store.c_str()));
    if (directory.get() == nullptr) {
        Complain("cannot read the payload store " + store + ": " + std::strerror(errno));
        return false;
    }
    bool pruned = true;
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string name = entry->d_name;
        const bool temporary = name.size() > kTemporaryEnding.size() &&
                               name.compare(name.size() - kTemporaryEnding.size(), kTemporaryEnding.size(),
                                            kTemporaryEnding) == 0;
        if ((!IsPayloadName(name) && !temporary) || keep.count(name) != 0)
            continue;
        if (::unlink((store + "/" + name).c_str()) != 0) {
            Complain("cannot remove " + store + "/" + name + " from the payload store: " + std::strerror(errno));
            pruned = false;
        }
    }
    return pruned;
}
