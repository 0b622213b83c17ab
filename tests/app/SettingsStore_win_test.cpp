#include "app/SettingsStore.h"

#include "RegistryTree.h"
#include "ScratchSettings.h"
#include "app/RegistryKey.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

std::string SectionPath(const ScratchSettings& scratch, const std::string& section)
{
    return "software\\" + scratch.maker() + "\\Brenhold\\" + section;
}

TEST(SettingsStoreWin, FirstReadCreatesTheKeyChain)
{
    ScratchSettings scratch;
    ASSERT_FALSE(UserKeyExists("software\\" + scratch.maker()));
    EXPECT_EQ(scratch.store().readString("MainDirPath", "Corvid", ""), "");
    EXPECT_TRUE(UserKeyExists(SectionPath(scratch, "MainDirPath")));
    EXPECT_EQ(UserValueNames(SectionPath(scratch, "MainDirPath")), "");
}

TEST(SettingsStoreWin, StoresTextWithItsNul)
{
    ScratchSettings scratch;
    ASSERT_TRUE(scratch.store().writeString("MainDirPath", "Corvid", "C:/Programme/Corvid"));
    RegistryKey key;
    ASSERT_EQ(key.open(HKEY_CURRENT_USER, SectionPath(scratch, "MainDirPath"), KEY_READ), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExA(key.get(), "Corvid", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, sizeof "C:/Programme/Corvid");
}

TEST(SettingsStoreWin, ValuesOfAnyTypeAreReadUpToTheirFirstNul)
{
    ScratchSettings scratch;
    const std::string section = SectionPath(scratch, "MainDirPath");
    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"dword", REG_DWORD, std::string("ABC\0", 4), "ABC"},
        {"binary", REG_BINARY, std::string("ab\0cd", 5), "ab"},
        {"multi", REG_MULTI_SZ, std::string("eins\0zwei\0\0", 11), "eins"},
        {"unterminated", REG_SZ, "abc", "abc"},
        {"empty", REG_BINARY, "", ""},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SetUserValue(section, c.name, c.type, c.bytes)) << c.name;
        EXPECT_EQ(scratch.store().readString("MainDirPath", c.name, "Vorgabe"), c.text) << c.name;
    }
}

TEST(SettingsStoreWin, EntryNameKeepsTheSpellingOfItsFirstWrite)
{
    ScratchSettings scratch;
    ASSERT_TRUE(scratch.store().writeString("MainDirPath", "Corvid", "C:/eins"));
    ASSERT_TRUE(scratch.store().writeString("MainDirPath", "CORVID", "C:/zwei"));
    EXPECT_EQ(UserValueNames(SectionPath(scratch, "MainDirPath")), "Corvid");
}

TEST(RegistryKeyWin, OwnsOneKeyAtATime)
{
    ScratchSettings scratch;
    const std::string path = "software\\" + scratch.maker() + "\\a\\b";
    RegistryKey key;
    EXPECT_EQ(key.close(), ERROR_SUCCESS);
    ASSERT_EQ(key.create(HKEY_CURRENT_USER, path), ERROR_SUCCESS);
    ASSERT_TRUE(SetUserValue(path, "Wert", REG_SZ, std::string("Größe\0", 7)));

    char buffer[16] = {};
    DWORD size = sizeof buffer;
    EXPECT_EQ(key.queryString("Wert", buffer, size), ERROR_SUCCESS);
    EXPECT_EQ(size, 7u);
    EXPECT_STREQ(buffer, "Größe");
    size = 3;
    EXPECT_EQ(key.queryString("Wert", buffer, size), ERROR_MORE_DATA);
    EXPECT_EQ(key.queryString("fehlt", buffer, size), ERROR_FILE_NOT_FOUND);

    // A failed create keeps the key held so far.
    EXPECT_NE(key.create(nullptr, "ohne Elternschluessel"), ERROR_SUCCESS);
    size = sizeof buffer;
    EXPECT_EQ(key.queryString("Wert", buffer, size), ERROR_SUCCESS);

    RegistryKey moved = std::move(key);
    EXPECT_FALSE(key.isOpen());
    EXPECT_TRUE(moved.isOpen());
    EXPECT_EQ(moved.close(), ERROR_SUCCESS);
    EXPECT_FALSE(moved.isOpen());
    size = sizeof buffer;
    EXPECT_NE(moved.queryString("Wert", buffer, size), ERROR_SUCCESS);
}

} // namespace
