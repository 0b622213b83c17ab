#include "PayloadStore.h"

#include "DirectoryStream.h"
#include "SignDiagnostic.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

constexpr std::string_view kTemporaryEnding = ".tmp";

} // namespace

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
