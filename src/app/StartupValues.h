#pragma once
// The three values the program starts a product with.

#include "app/SettingsStore.h"
#include "app/StartupArguments.h"

#include <string>

struct StartupValues {
    std::string productName;
    std::string programPath;
    std::string mainDirectory; // empty when none is known yet
};

// Product name and program path from the arguments, the main directory from the store's
// section "MainDirPath". For the product "Lumaro" (exactly so spelled) without a
// stored directory, a readable legacy setting is taken over and stored at once.
StartupValues ReadStartupValues(const StartupArguments& arguments, SettingsStore& store);
