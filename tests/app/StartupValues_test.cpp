#include "app/StartupValues.h"

#include "ScratchSettings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StartupValues, TakesTheStoredMainDirectoryOfTheProduct)
{
    ScratchSettings scratch;
    ASSERT_TRUE(scratch.store().writeString("MainDirPath", "Dachs", "C:/Programme/Dachs"));

    StartupValues values = ReadStartupValues(ReadStartupArguments("Dachs ./Dachs.exe"), scratch.store());
    EXPECT_EQ(values.productName, "Dachs");
    EXPECT_EQ(values.programPath, "./Dachs.exe");
    EXPECT_EQ(values.mainDirectory, "C:/Programme/Dachs");

    values = ReadStartupValues(ReadStartupArguments(""), scratch.store());
    EXPECT_EQ(values.productName, "Corvid");
    EXPECT_EQ(values.programPath, "./Corvid.exe");
    EXPECT_EQ(values.mainDirectory, "");
}

TEST(StartupValues, QuotedProductNameIsTheEntryName)
{
    ScratchSettings scratch;
    ASSERT_TRUE(scratch.store().writeString("MainDirPath", "\"Dachs\"", "C:/quoted"));
    const StartupValues values = ReadStartupValues(ReadStartupArguments("\"Dachs\""), scratch.store());
    EXPECT_EQ(values.productName, "\"Dachs\"");
    EXPECT_EQ(values.programPath, "");
    EXPECT_EQ(values.mainDirectory, "C:/quoted");
}

// Whatever the platform keeps in its legacy location, only the exact name "Lumaro" looks
// there, and nothing is stored for a product without a directory.
TEST(StartupValues, OtherSpellingsOfLumaroStayWithoutDirectory)
{
    for (const char* product : {"lumaro", "LUMARO", "Lumaro2", "Corvid"}) {
        ScratchSettings scratch;
        const StartupValues values = ReadStartupValues(ReadStartupArguments(product), scratch.store());
        EXPECT_EQ(values.mainDirectory, "") << product;
        EXPECT_EQ(scratch.store().readString("MainDirPath", product, "(none)"), "(none)") << product;
    }
}

} // namespace
