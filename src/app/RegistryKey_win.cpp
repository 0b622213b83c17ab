// Windows side of RegistryKey.h.
#include "app/RegistryKey.h"

#include <utility>

RegistryKey::RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept
{
    if (this != &other) {
        close();
        key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
}

RegistryKey::~RegistryKey()
{
    close();
}

LONG RegistryKey::create(HKEY parent, const std::string& path, REGSAM access)
{
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                        nullptr, &key, nullptr);
    return hold(status, key);
}

LONG RegistryKey::open(HKEY parent, const std::string& path, REGSAM access)
{
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExA(parent, path.c_str(), 0, access, &key);
    return hold(status, key);
}

LONG RegistryKey::hold(LONG status, HKEY key)
{
    if (status == ERROR_SUCCESS) {
        close();
        key_ = key;
    }
    return status;
}

LONG RegistryKey::queryString(const std::string& name, char* buffer, DWORD& size) const
{
    return RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
}

LONG RegistryKey::setString(const std::string& name, const std::string& text) const
{
    return RegSetValueExA(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

LONG RegistryKey::setDword(const std::string& name, DWORD value) const
{
    return RegSetValueExA(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG RegistryKey::deleteValue(const std::string& name) const
{
    return RegDeleteValueA(key_, name.c_str());
}

LONG RegistryKey::DeleteKey(HKEY parent, const std::string& path)
{
    return RegDeleteKeyA(parent, path.c_str());
}

LONG RegistryKey::close()
{
    if (key_ == nullptr)
        return ERROR_SUCCESS;
    return RegCloseKey(std::exchange(key_, nullptr));
}
