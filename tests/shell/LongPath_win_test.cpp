#include "shell/LongPath.h"
#include "TempDir.h"
#include "text/StringUtil.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text)
{
    CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string StoredName(const std::string& path)
{
    WIN32_FIND_DATAA data = {};
    HANDLE search = FindFirstFileA(path.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        return "";
    }
    FindClose(search);
    return data.cFileName;
}

TEST(ExpandLongPath, ShortNamesAndLetterCaseBecomeTheStoredNames)
{
    TempDir scratch;
    fs::create_directories(scratch.path() / "Ein langer Verzeichnisname");
    const std::string longPath = scratch / "Ein langer Verzeichnisname\\Noch eine Datei.txt";
    std::ofstream(longPath) << "x";

    char shortPath[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(longPath.c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_EQ(std::string(shortPath).find("Ein langer"), std::string::npos) << shortPath;

    std::string result;
    std::string expected;
    ASSERT_GT(ExpandLongPath(longPath, expected), 0u);
    for (const std::string& input : {std::string(shortPath), Lower(longPath), longPath}) {
        SCOPED_TRACE(input);
        EXPECT_EQ(ExpandLongPath(input, result), expected.size());
        // The drive is kept as written; every name after it is spelt as stored.
        EXPECT_EQ(result.substr(2), expected.substr(2));
    }
    EXPECT_EQ(RightChars(expected, 46), "Ein langer Verzeichnisname\\Noch eine Datei.txt");
}

TEST(ExpandLongPath, RootsAndTrailingSeparators)
{
    std::string result;
    EXPECT_EQ(ExpandLongPath("C:", result), 2u);
    EXPECT_EQ(result, "C:");
    EXPECT_EQ(ExpandLongPath("C:\\", result), 3u);
    EXPECT_EQ(result, "C:\\");
    EXPECT_EQ(ExpandLongPath("C:/", result), 3u);
    EXPECT_EQ(result, "C:\\");

    const std::string windows = "C:\\" + StoredName("C:\\Windows") + "\\";
    ASSERT_GT(windows.size(), 4u);
    EXPECT_EQ(ExpandLongPath("C:/WINDOWS/", result), windows.size());
    EXPECT_EQ(result, windows);
}

TEST(ExpandLongPath, PathsThatCannotBeExpandedGiveZero)
{
    TempDir scratch;
    const fs::path previous = fs::current_path();
    fs::current_path(scratch.path());
    std::ofstream("name") << "x";
    // "C:name" exists (relative to the drive's current directory) but has no root.
    ASSERT_NE(GetFileAttributesA("C:name"), INVALID_FILE_ATTRIBUTES);

    std::string result;
    const char* paths[] = {"", "C:name", "name", ".\\name", "C:\\Gibt es nicht", "C:\\Windows\\nicht da.txt"};
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(ExpandLongPath(path, result), 0u);
    }
    fs::current_path(previous);
}

} // namespace
