#include "app/SettingsStore.h"

#include "ScratchSettings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SettingsStore, MissingEntryGivesTheDefault)
{
    ScratchSettings scratch;
    EXPECT_EQ(scratch.store().readString("MainDirPath", "Corvid", ""), "");
    EXPECT_EQ(scratch.store().readString("MainDirPath", "Corvid", "C:/Vorgabe"), "C:/Vorgabe");
}

TEST(SettingsStore, LastWriteWinsPerSectionAndEntry)
{
    ScratchSettings scratch;
    SettingsStore& store = scratch.store();
    ASSERT_TRUE(store.writeString("MainDirPath", "Corvid", "C:/Programme/Corvid"));
    ASSERT_TRUE(store.writeString("MainDirPath", "Dachs", "D:/Dachs"));
    ASSERT_TRUE(store.writeString("Other", "Corvid", "anderes"));
    ASSERT_TRUE(store.writeString("MainDirPath", "Corvid", "E:/Neu"));
    EXPECT_EQ(store.readString("MainDirPath", "Corvid", ""), "E:/Neu");
    EXPECT_EQ(store.readString("MainDirPath", "Dachs", ""), "D:/Dachs");
    EXPECT_EQ(store.readString("Other", "Corvid", ""), "anderes");
    ASSERT_TRUE(store.writeString("MainDirPath", "Corvid", ""));
    EXPECT_EQ(store.readString("MainDirPath", "Corvid", "Vorgabe"), "");
}

TEST(SettingsStore, NamesMatchWithoutRegardToCase)
{
    ScratchSettings scratch;
    SettingsStore& store = scratch.store();
    ASSERT_TRUE(store.writeString("MainDirPath", "Corvid", "C:/eins"));
    EXPECT_EQ(store.readString("MainDirPath", "CORVID", ""), "C:/eins");
    ASSERT_TRUE(store.writeString("MainDirPath", "corvid", "C:/zwei"));
    EXPECT_EQ(store.readString("MainDirPath", "Corvid", ""), "C:/zwei");
}

TEST(SettingsStore, LongAndNonAsciiTextsAreReadWhole)
{
    ScratchSettings scratch;
    SettingsStore& store = scratch.store();
    std::string longText;
    while (longText.size() < 70000)
        longText += "C:/Verzeichnis/Größe €/";
    ASSERT_TRUE(store.writeString("MainDirPath", "Müller \"Straße\"", longText));
    EXPECT_EQ(store.readString("MainDirPath", "Müller \"Straße\"", ""), longText);
}

} // namespace
