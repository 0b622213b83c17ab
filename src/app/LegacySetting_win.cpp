// Windows side of LegacySetting.h: the value "Lumaro 2000" below HKCU.
#include "app/LegacySetting.h"

#include "app/RegistryKey.h"

namespace {

constexpr char kLegacyKey[] = "Software\\Velmora\\SetupApp\\Settings\\";
constexpr char kLegacyValue[] = "Lumaro 2000";

} // namespace

std::optional<std::string> ReadLegacyMainDirectory()
{
    // Opening with create brings the key into existence when it is missing, as the old
    // program did; no value is ever written there.
    RegistryKey key;
    if (key.create(HKEY_CURRENT_USER, kLegacyKey) != ERROR_SUCCESS)
        return std::nullopt;
    char buffer[300] = {};
    DWORD size = 260;
    const LONG status = key.queryString(kLegacyValue, buffer, size);
    key.close();
    // Whatever the stored type, the text ends at the first NUL; the zeroed buffer holds
    // one behind the at most 260 bytes read.
    if (status != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(buffer);
}
