// Windows side of RegistryTree.h.
#include "RegistryTree.h"

#include "app/RegistryKey.h"

#include <shlwapi.h>

bool DeleteUserKeyTree(const std::string& path)
{
    const DWORD status = SHDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool UserKeyExists(const std::string& path)
{
    RegistryKey key;
    return key.open(HKEY_CURRENT_USER, path, KEY_READ) == ERROR_SUCCESS;
}

bool SetUserValue(const std::string& path, const std::string& name, unsigned long type,
                  const std::string& bytes)
{
    RegistryKey key;
    if (key.create(HKEY_CURRENT_USER, path) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

std::string UserValueNames(const std::string& path)
{
    RegistryKey key;
    if (key.open(HKEY_CURRENT_USER, path, KEY_READ) != ERROR_SUCCESS)
        return "(no key)";
    std::string names;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumValueA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (!names.empty())
            names += ',';
        names.append(name, length);
    }
    return names;
}
