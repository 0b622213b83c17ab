// Windows side of SpecialFolder.h: the shell's special folder locations.
#include "shell/SpecialFolder.h"

#include "shell/ComPtr.h"

#include <windows.h>

#include <shlobj.h>

namespace {

// Owns an item identifier list from the shell and frees it with the shell's allocator.
class IdList {
public:
    IdList() = default;
    ~IdList()
    {
        if (list_ == nullptr) {
            return;
        }
        ComPtr<IMalloc> allocator;
        if (SUCCEEDED(SHGetMalloc(allocator.put()))) {
            allocator->Free(list_);
        }
    }
    IdList(const IdList&) = delete;
    IdList& operator=(const IdList&) = delete;

    LPITEMIDLIST get() const { return list_; }
    LPITEMIDLIST* put() { return &list_; }

private:
    LPITEMIDLIST list_ = nullptr;
};

} // namespace

bool GetSpecialFolderPath(int folder, std::string& path)
{
    IdList list;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, folder, list.put())) || list.get() == nullptr) {
        return false;
    }
    char buffer[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(list.get(), buffer)) {
        return false;
    }
    path = buffer;
    path += '\\';
    return true;
}
