// Windows side of os/OutputFile.h.
#include "os/OutputFile.h"

#include <windows.h>

#include <cstdint>

namespace {

HANDLE AsHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

bool OutputFile::open(const std::string& path, Mode mode)
{
    close();
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    mode == Mode::Append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    if (mode == Mode::Append && SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
        CloseHandle(file);
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return true;
}

bool OutputFile::write(const char* bytes, std::size_t count)
{
    while (count > 0) {
        const DWORD piece = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!WriteFile(AsHandle(handle_), bytes, piece, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        count -= written;
    }
    return true;
}

bool OutputFile::flushToDisk()
{
    return isOpen() && FlushFileBuffers(AsHandle(handle_)) != 0;
}

void OutputFile::startWriteBack()
{
    // Windows starts writing dirty pages by itself soon after they are written.
}

bool OutputFile::close()
{
    if (!isOpen())
        return true;
    const HANDLE file = AsHandle(handle_);
    handle_ = kClosed;
    return CloseHandle(file) != 0;
}

bool MoveFileDurably(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::uint64_t FreeSpaceAt(const std::string& path)
{
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExA(path.c_str(), &available, nullptr, nullptr))
        return UINT64_MAX;
    return available.QuadPart;
}
