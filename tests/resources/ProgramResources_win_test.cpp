// The manifest and the version information as Windows reads them from the built
// Brenhold.exe (loaded as a data file, not run).
#include "BrenholdVersion.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

TEST(ProgramResources, ManifestDeclaresWhatTheProgramNeeds)
{
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> program(
        LoadLibraryExA(BRENHOLD_PROGRAM, nullptr, LOAD_LIBRARY_AS_DATAFILE), &FreeLibrary);
    ASSERT_NE(program, nullptr);
    HRSRC found = FindResourceA(program.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // the manifest
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(program.get(), found))),
                               SizeofResource(program.get(), found));
    const char* declared[] = {
        R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)",
        R"(<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>)", // Windows 7
        R"(<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>)", // 8
        R"(<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>)", // 8.1
        R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)", // 10 and 11
        R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
        R"(WindowsSettings">true</dpiAware>)",
        R"(WindowsSettings">PerMonitorV2, system</dpiAwareness>)",
        R"(WindowsSettings">true</longPathAware>)",
    };
    for (const char* text : declared)
        EXPECT_NE(manifest.find(text), std::string::npos) << text;
    // The program's code page stays Windows-1252.
    EXPECT_EQ(manifest.find("<activeCodePage"), std::string::npos);
}

std::string VersionString(const std::vector<char>& info, const char* name)
{
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040704E4\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0)
        return {};
    return std::string(value, length - 1);
}

TEST(ProgramResources, VersionInformationNamesMakerProductAndVersion)
{
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(BRENHOLD_PROGRAM, &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(BRENHOLD_PROGRAM, 0, static_cast<DWORD>(info.size()), info.data()));
    EXPECT_EQ(VersionString(info, "CompanyName"), "Velmora");
    EXPECT_EQ(VersionString(info, "ProductName"), "Brenhold");
    EXPECT_EQ(VersionString(info, "FileDescription"), "Brenhold Installations- und Updatesystem");
    EXPECT_EQ(VersionString(info, "FileVersion"), BRENHOLD_VERSION);
    EXPECT_EQ(VersionString(info, "ProductVersion"), BRENHOLD_VERSION);

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const WORD numbers[] = {BRENHOLD_VERSION_NUMBERS};
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(numbers[1], numbers[0])));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(numbers[3], numbers[2])));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

} // namespace
