// Windows side of ClientCopy.h: the copy is .brenhold\Brenhold.exe. A program file that
// runs cannot be replaced, only renamed: the copy is renamed to the previous one first.
#include "update/ClientCopy.h"

#include "os/OutputFile.h"
#include "text/StringUtil.h"
#include "update/FileStatus.h"
#include "update/PlacementPaths.h"

#include <windows.h>

namespace {

// The full path with long names, or empty.
std::string FullLongPath(const std::string& path)
{
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full)
        return std::string();
    char longer[MAX_PATH] = {};
    const DWORD longLength = GetLongPathNameA(full, longer, sizeof longer);
    return longLength > 0 && longLength < sizeof longer ? std::string(longer, longLength)
                                                        : std::string(full, length);
}

} // namespace

const char* ClientCopyPath()
{
    return ".brenhold/Brenhold.exe";
}

const char* PreviousClientCopyPath()
{
    return ".brenhold/Brenhold.previous.exe";
}

std::string NativePath(std::string path)
{
    ReplaceAll(path, "/", "\\");
    return path;
}

std::string RunningProgramFile()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

bool IsRunningProgram(const std::string& path)
{
    if (!QueryFileStatus(path.c_str()).exists)
        return false;
    const std::string running = FullLongPath(RunningProgramFile());
    return !running.empty() && SameDirectory(running, FullLongPath(NativePath(path)));
}

bool PutReadyCopyInPlace(const SwitchCheckpoint& checkpoint)
{
    if (QueryFileStatus(ClientCopyPath()).exists) {
        if (!DeleteFileA(PreviousClientCopyPath()) && GetLastError() != ERROR_FILE_NOT_FOUND)
            return false;
        checkpoint();
        // Between this rename and the next the copy's name is free; a cut there leaves the
        // ready file, which the next start puts in place (RecoverClientCopy).
        if (!MoveFileDurably(ClientCopyPath(), PreviousClientCopyPath()))
            return false;
        checkpoint();
    }
    if (!MoveFileDurably(ClientCopyReadyPath(), ClientCopyPath()))
        return false;
    checkpoint();
    return true;
}
