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

    // Stores text as the named value of type REG_SZ. Returns the registry's status.
    LONG setString(const std::string& name, const std::string& text) const;

    // Stores the named value of type REG_DWORD. Returns the registry's status.
    LONG setDword(const std::string& name, DWORD value) const;

    // Removes the named value. Returns the registry's status (ERROR_FILE_NOT_FOUND when
    // there was none).
    LONG deleteValue(const std::string& name) const;

    // Removes the key at path below parent with its values; it must hold no keys.
    // Returns the registry's status (ERROR_FILE_NOT_FOUND when there was none).
    static LONG DeleteKey(HKEY parent, const std::string& path);

    // Closes the held key, if any. Returns the status of the closing, 0 when none was held.
    LONG close();

    HKEY get() const { return key_; }
    bool isOpen() const { return key_ != nullptr; }

private:
    LONG hold(LONG status, HKEY key);

    HKEY key_ = nullptr;
};
