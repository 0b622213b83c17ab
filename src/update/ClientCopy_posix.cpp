// POSIX side of ClientCopy.h: the copy is .brenhold/brenhold, replaced by an atomic rename.
#include "update/ClientCopy.h"

#include "os/OutputFile.h"
#include "update/FileStatus.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

const char* ClientCopyPath()
{
    return ".brenhold/brenhold";
}

const char* PreviousClientCopyPath()
{
    return ".brenhold/brenhold.previous";
}

std::string NativePath(std::string path)
{
    return path;
}

std::string RunningProgramFile()
{
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    return length > 0 && static_cast<std::size_t>(length) < buffer.size()
               ? std::string(buffer.data(), static_cast<std::size_t>(length))
               : std::string();
}

bool IsRunningProgram(const std::string& path)
{
    struct stat running {};
    struct stat other {};
    return stat("/proc/self/exe", &running) == 0 && stat(path.c_str(), &other) == 0 &&
           running.st_dev == other.st_dev && running.st_ino == other.st_ino;
}

bool PutReadyCopyInPlace(const SwitchCheckpoint& checkpoint)
{
    const std::string ready = ClientCopyReadyPath();
    if (chmod(ready.c_str(), 0755) != 0)
        return false;
    // The previous copy is a second name of the current one, so the copy's own name never
    // goes missing: the rename below replaces it in one step.
    if (QueryFileStatus(ClientCopyPath()).exists) {
        if (unlink(PreviousClientCopyPath()) != 0 && errno != ENOENT)
            return false;
        checkpoint();
        if (link(ClientCopyPath(), PreviousClientCopyPath()) != 0)
            return false;
        checkpoint();
    }
    if (!MoveFileDurably(ready, ClientCopyPath()))
        return false;
    checkpoint();
    return true;
}
