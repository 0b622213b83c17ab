#include "app/StartupValues.h"

#include "app/AppNames.h"
#include "app/LegacySetting.h"
#include "app/StartupArguments.h"

#include <optional>
#include <utility>

StartupValues ReadStartupValues(const std::string& argumentsText, SettingsStore& store)
{
    StartupArguments arguments = ReadStartupArguments(argumentsText);
    StartupValues values{std::move(arguments.productName), std::move(arguments.programPath), {}};
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
