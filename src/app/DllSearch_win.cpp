// Windows side of DllSearch.h.
#include "app/DllSearch.h"

#include <windows.h>

namespace {

// Not declared for the Windows XP target this program still runs on.
constexpr DWORD kSearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);

// The functions are looked up at run time: older kernels lack them, and a static
// import would keep the program from starting there at all.
template <typename Function> Function Kernel32Function(const char* name)
{
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

} // namespace

bool RestrictDllSearchToSystem()
{
    // An empty directory removes the current directory from the search order.
    if (const auto setDllDirectory = Kernel32Function<SetDllDirectoryFunction>("SetDllDirectoryA"))
        setDllDirectory("");
    const auto setDefault = Kernel32Function<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories");
    return setDefault != nullptr && setDefault(kSearchSystem32) != FALSE;
}
