#include "app/StartupValues.h"

#include "RegistryTree.h"
#include "ScratchSettings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

constexpr char kLegacyRoot[] = "Software\\Velmora\\SetupApp";
constexpr char kLegacyKey[] = "Software\\Velmora\\SetupApp\\Settings";

// The legacy key is the same for every test: each case starts from none and leaves none.
class LegacyKey {
public:
    LegacyKey() { DeleteUserKeyTree(kLegacyRoot); }
    ~LegacyKey() { DeleteUserKeyTree(kLegacyRoot); }
    LegacyKey(const LegacyKey&) = delete;
    LegacyKey& operator=(const LegacyKey&) = delete;
};

TEST(LegacyMigrationWin, LumaroTakesOverTheLegacyDirectoryAsFound)
{
    LegacyKey legacy;
    ScratchSettings scratch;
    ASSERT_TRUE(SetUserValue(kLegacyKey, "Lumaro 2000", REG_SZ, std::string("D:\\Alt\\Lumaro\0", 15)));

    const StartupValues values = ReadStartupValues(ReadStartupArguments("Lumaro ./Lumaro.exe"), scratch.store());
    EXPECT_EQ(values.mainDirectory, "D:\\Alt\\Lumaro");
    EXPECT_EQ(scratch.store().readString("MainDirPath", "Lumaro", ""), "D:\\Alt\\Lumaro");
}

TEST(LegacyMigrationWin, StoredDirectoryComesFirst)
{
    LegacyKey legacy;
    ScratchSettings scratch;
    ASSERT_TRUE(SetUserValue(kLegacyKey, "Lumaro 2000", REG_SZ, std::string("D:\\Alt\0", 7)));
    ASSERT_TRUE(scratch.store().writeString("MainDirPath", "Lumaro", "C:/Programme/Lumaro"));
    EXPECT_EQ(ReadStartupValues(ReadStartupArguments("Lumaro"), scratch.store()).mainDirectory, "C:/Programme/Lumaro");
}

TEST(LegacyMigrationWin, OnlyTheExactNameReadsTheLegacyKey)
{
    for (const char* product : {"lumaro", "LUMARO", "Lumaro.", "Corvid"}) {
        {
            LegacyKey legacy;
            ScratchSettings scratch;
            EXPECT_EQ(ReadStartupValues(ReadStartupArguments(product), scratch.store()).mainDirectory, "") << product;
            // Not even opened: opening would have created it.
            EXPECT_FALSE(UserKeyExists(kLegacyKey)) << product;
        }
        LegacyKey legacy;
        ScratchSettings scratch;
        ASSERT_TRUE(SetUserValue(kLegacyKey, "Lumaro 2000", REG_SZ, std::string("D:\\Alt\0", 7)));
        EXPECT_EQ(ReadStartupValues(ReadStartupArguments(product), scratch.store()).mainDirectory, "") << product;
        EXPECT_EQ(scratch.store().readString("MainDirPath", product, "(none)"), "(none)") << product;
    }
}

TEST(LegacyMigrationWin, UnreadableLegacyValueIsNotStored)
{
    struct Case {
        const char* what;
        bool value;
        std::string bytes;
    };
    const Case cases[] = {
        {"key without the value", false, ""},
        {"value longer than the old buffer", true, std::string(300, 'x') + '\0'},
    };
    for (const Case& c : cases) {
        LegacyKey legacy;
        ScratchSettings scratch;
        if (c.value) {
            ASSERT_TRUE(SetUserValue(kLegacyKey, "Lumaro 2000", REG_SZ, c.bytes));
        }
        EXPECT_EQ(ReadStartupValues(ReadStartupArguments("Lumaro"), scratch.store()).mainDirectory, "") << c.what;
        EXPECT_EQ(scratch.store().readString("MainDirPath", "Lumaro", "(none)"), "(none)") << c.what;
        // The legacy key is opened with create, as the older program did.
        EXPECT_TRUE(UserKeyExists(kLegacyKey)) << c.what;
    }
}

TEST(LegacyMigrationWin, LegacyValueOfAnotherTypeIsReadUpToItsNul)
{
    LegacyKey legacy;
    ScratchSettings scratch;
    ASSERT_TRUE(SetUserValue(kLegacyKey, "Lumaro 2000", REG_BINARY, std::string("E:\\L\0xyz", 8)));
    EXPECT_EQ(ReadStartupValues(ReadStartupArguments("Lumaro"), scratch.store()).mainDirectory, "E:\\L");
}

} // namespace
