#pragma once
// Windows only: the owner of one open registry key.

#include <windows.h>

#include <string>

class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    ~RegistryKey();

    // Opens the key at path below parent, creating it and any missing keys on the way,
    // non-volatile with the given access. On success the key held so far is closed and
    // the new one held; on failure nothing changes. Returns the registry's status.
    LONG create(HKEY parent, const std::string& path, REGSAM access = KEY_ALL_ACCESS);

    // Opens the existing key at path below parent; otherwise as create.
    LONG open(HKEY parent, const std::string& path, REGSAM access);

    // Reads the named value into buffer, whatever its type. size holds the buffer's
    // capacity in bytes on entry and the bytes stored (or needed) on return; a null
    // buffer asks for the size only. Returns the registry's status.
    LONG queryString(const std::string& name, char* buffer, DWORD& size) const;

    // Closes the held key, if any. Returns the status of the closing, 0 when none was held.
    LONG close();

    HKEY get() const { return key_; }
    bool isOpen() const { return key_ != nullptr; }

private:
    LONG hold(LONG status, HKEY key);

    HKEY key_ = nullptr;
};
