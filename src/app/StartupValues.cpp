#include "app/StartupValues.h"

#include "app/AppNames.h"
#include "app/LegacySetting.h"

#include <optional>

StartupValues ReadStartupValues(const StartupArguments& arguments, SettingsStore& store)
{
    StartupValues values{arguments.productName, arguments.programPath, {}};
    values.mainDirectory = store.readString(app::kMainDirSection, values.productName, "");
    if (values.mainDirectory.empty() && values.productName == app::kLegacyProduct) {
        // A legacy value that cannot be read is left alone rather than stored as an
        // empty directory; the install dialog then asks for one.
        if (const std::optional<std::string> legacy = ReadLegacyMainDirectory()) {
            values.mainDirectory = *legacy;
            store.writeString(app::kMainDirSection, values.productName, values.mainDirectory);
        }
    }
    return values;
}
