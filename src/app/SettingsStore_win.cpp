// Windows side of SettingsStore.h: one registry key per section.
#include "app/SettingsStore.h"

#include "app/RegistryKey.h"

#include <vector>

namespace {

constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

// Opens HKEY_CURRENT_USER\software\<maker>\<profile>\<section>, creating the keys below
// "software" that do not exist yet, so even a first read leaves the chain behind.
RegistryKey OpenSection(const std::string& maker, const std::string& profile, const std::string& section)
{
    RegistryKey profileKey;
    {
        RegistryKey software;
        if (software.open(HKEY_CURRENT_USER, "software", kReadWrite) != ERROR_SUCCESS)
            return {};
        RegistryKey makerKey;
        if (makerKey.create(software.get(), maker, kReadWrite) != ERROR_SUCCESS)
            return {};
        if (profileKey.create(makerKey.get(), profile, kReadWrite) != ERROR_SUCCESS)
            return {};
    }
    RegistryKey sectionKey;
    sectionKey.create(profileKey.get(), section, kReadWrite);
    return sectionKey;
}

} // namespace

std::string SettingsStore::readString(const std::string& section, const std::string& entry,
                                      const std::string& defaultText) const
{
    const RegistryKey key = OpenSection(makerKey_, profileName_, section);
    if (!key.isOpen())
        return defaultText;
    // The size is asked first, so an entry of any length is read whole.
    DWORD size = 0;
    if (key.queryString(entry, nullptr, size) != ERROR_SUCCESS || size == MAXDWORD)
        return defaultText;
    std::vector<char> data(size + 1, '\0');
    if (key.queryString(entry, data.data(), size) != ERROR_SUCCESS)
        return defaultText;
    // Whatever the stored type, the text ends at the first NUL byte or with the data.
    return std::string(data.data());
}

bool SettingsStore::writeString(const std::string& section, const std::string& entry, const std::string& text)
{
    const RegistryKey key = OpenSection(makerKey_, profileName_, section);
    if (!key.isOpen())
        return false;
    const LONG status =
        RegSetValueExA(key.get(), entry.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    return status == ERROR_SUCCESS;
}

bool SettingsStore::removeEntry(const std::string& section, const std::string& entry)
{
    const RegistryKey key = OpenSection(makerKey_, profileName_, section);
    if (!key.isOpen())
        return false;
    const LONG status = key.deleteValue(entry);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}
