#pragma once
// The per-user settings of the program: texts stored by section and entry name below a
// maker key and a profile name. On Windows a registry key per section below
// HKEY_CURRENT_USER\software\<maker>\<profile>; elsewhere the file
// ${XDG_CONFIG_HOME:-~/.config}/<maker>/<profile>.ini. Names and texts are Windows-1252.

#include <string>

class SettingsStore {
public:
    SettingsStore(std::string makerKey, std::string profileName);

    // The text of the entry, or defaultText when it cannot be read.
    std::string readString(const std::string& section, const std::string& entry,
                           const std::string& defaultText) const;

    // Stores the text as the entry; false when it could not be stored.
    bool writeString(const std::string& section, const std::string& entry, const std::string& text);

    // Removes the entry; true when it is gone (or was never there).
    bool removeEntry(const std::string& section, const std::string& entry);

    const std::string& makerKey() const { return makerKey_; }
    const std::string& profileName() const { return profileName_; }

private:
    std::string makerKey_;
    std::string profileName_;
};
