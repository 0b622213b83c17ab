#include "app/DllSearch.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// The probe library is built beside the test program, where an attacker would plant one.
constexpr char kProbe[] = "dll_search_probe.dll";

std::string ProgramDirectory()
{
    char path[MAX_PATH] = {};
    const std::string program(path, GetModuleFileNameA(nullptr, path, sizeof path));
    return program.substr(0, program.find_last_of("\\/") + 1);
}

TEST(DllSearchWin, LibrariesBesideTheProgramAreNoLongerLoaded)
{
    HMODULE probe = LoadLibraryA(kProbe);
    ASSERT_NE(probe, nullptr) << "the probe must be found beside the program before the restriction";
    FreeLibrary(probe);

    EXPECT_TRUE(RestrictDllSearchToSystem());
    EXPECT_EQ(LoadLibraryA(kProbe), nullptr);

    // The library itself is fine: named by its full path it still loads.
    probe = LoadLibraryA((ProgramDirectory() + kProbe).c_str());
    EXPECT_NE(probe, nullptr);
    FreeLibrary(probe);
    // System libraries are still found.
    HMODULE system = LoadLibraryA("version.dll");
    EXPECT_NE(system, nullptr);
    FreeLibrary(system);
}

} // namespace
