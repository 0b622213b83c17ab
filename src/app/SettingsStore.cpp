#include "app/SettingsStore.h"

#include <utility>

SettingsStore::SettingsStore(std::string makerKey, std::string profileName)
    : makerKey_(std::move(makerKey)), profileName_(std::move(profileName))
{}
