#include "SigningLock.h"

#include "RepositoryNames.h"
#include "SignDiagnostic.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstring>

namespace {

// Read access is enough for flock, so a lock file that another maker's account made still
// serves.
constexpr mode_t kLockMode = 0644;

} // namespace

UniqueFd LockSigning(const std::string& root, const std::string& productFolderName)
{
    const std::string path = root + "/" + productFolderName + std::string(kSigningLockEnding);
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kLockMode));
    if (!fd.valid()) {
        Complain("cannot make or open the lock file " + path + ": " + std::strerror(errno));
        return {};
    }
    int locked = 0;
    do {
        locked = ::flock(fd.get(), LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        Complain(errno == EWOULDBLOCK
                     ? "another signing of " + productFolderName + " is running: it holds the lock " + path +
                           "; sign again when it has ended"
                     : "cannot lock " + path + ": " + std::strerror(errno));
        return {};
    }
    return fd;
}
