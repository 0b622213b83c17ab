// Windows side of os/FileView.h: a read-only mapping of the file, which is opened sharing
// reading and deleting only. While a section of it exists, Windows also refuses to cut it.
#include "os/FileView.h"

#include <windows.h>

#include <cstdint>

FileView::~FileView()
{
    close();
}

bool FileView::open(const std::string& path)
{
    close();
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    const bool sized = GetFileSizeEx(file, &size) && static_cast<std::uint64_t>(size.QuadPart) <= SIZE_MAX;
    if (sized && size.QuadPart == 0) {
        // An empty file cannot be mapped; it has no bytes to view.
        CloseHandle(file);
        data_ = "";
        return true;
    }
    const HANDLE section = sized ? CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr) : nullptr;
    // The view keeps the section and the file open until it is unmapped.
    CloseHandle(file);
    if (section == nullptr)
        return false;
    const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0);
    CloseHandle(section);
    if (view == nullptr)
        return false;
    data_ = static_cast<const char*>(view);
    size_ = static_cast<std::size_t>(size.QuadPart);
    return true;
}

void FileView::close()
{
    if (size_ > 0)
        UnmapViewOfFile(data_);
    data_ = nullptr;
    size_ = 0;
}
