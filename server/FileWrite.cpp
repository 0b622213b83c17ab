#include "FileWrite.h"

#include "RequestChannel.h"
#include "SignDiagnostic.h"
#include "UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string Reason()
{
    return std::strerror(errno);
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes bytes to fd, sets its mode (a umask may have narrowed it) and flushes it to disk.
bool Fill(int fd, std::string_view bytes, mode_t mode, const std::string& path)
{
    if (!WriteAll(fd, bytes) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
        Complain("cannot write " + path + ": " + Reason());
        return false;
    }
    return true;
}

} // namespace

bool WriteNewFile(const std::string& path, std::string_view bytes, mode_t mode)
{
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!fd.valid()) {
        Complain(errno == EEXIST ? path + " exists already; it is not replaced"
                                 : "cannot make " + path + ": " + Reason());
        return false;
    }
    if (!Fill(fd.get(), bytes, mode, path)) {
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

bool ReplaceFile(const std::string& path, std::string_view bytes, mode_t mode)
{
    std::string temporary = path + ".XXXXXX";
    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid()) {
        Complain("cannot make a temporary file beside " + path + ": " + Reason());
        return false;
    }
    if (!Fill(fd.get(), bytes, mode, temporary)) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (::close(fd.release()) != 0) {
        Complain("cannot write " + temporary + ": " + Reason());
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        Complain("cannot rename " + temporary + " to " + path + ": " + Reason());
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename is on disk only once the folder is.
    const UniqueFd folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid() || ::fsync(folder.get()) != 0) {
        Complain("cannot flush the folder of " + path + ": " + Reason());
        return false;
    }
    return true;
}
