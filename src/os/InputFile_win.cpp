// Windows side of os/InputFile.h.
#include "os/InputFile.h"

#include <windows.h>

#include <utility>

namespace {

HANDLE AsHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

bool InputFile::open(const std::string& path)
{
    close();
    // Shared for writing and deleting: the writer goes on, and a staged file that fails is
    // removed while this handle may still be open.
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return true;
}

std::int64_t InputFile::readAt(std::uint64_t offset, char* buffer, std::size_t count)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD piece = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    DWORD read = 0;
    if (ReadFile(AsHandle(handle_), buffer, piece, &read, &at))
        return read;
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

void InputFile::startWriteBack(std::uint64_t)
{
    // Windows starts writing dirty pages by itself soon after they are written.
}

void InputFile::close()
{
    if (isOpen())
        CloseHandle(AsHandle(std::exchange(handle_, kClosed)));
}
