#include "app/SettingsStore.h"

#include "app/ListingSerialStore.h"

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

TEST(SettingsStore, RemovesOneEntryAndLeavesTheOthers)
{
    ScratchSettings scratch;
    SettingsStore& store = scratch.store();
    ASSERT_TRUE(store.writeString("MainDirPath", "Corvid", "C:/Programme/Corvid"));
    ASSERT_TRUE(store.writeString("MainDirPath", "Dachs", "D:/Dachs"));
    ASSERT_TRUE(store.writeString("ListingSerial", "Corvid", "7"));
    EXPECT_TRUE(store.removeEntry("MainDirPath", "Corvid"));
    EXPECT_EQ(store.readString("MainDirPath", "Corvid", "(none)"), "(none)");
    EXPECT_EQ(store.readString("MainDirPath", "Dachs", ""), "D:/Dachs");
    EXPECT_EQ(store.readString("ListingSerial", "Corvid", ""), "7");
    // Gone already, or never there: nothing to do, and that is no failure.
    EXPECT_TRUE(store.removeEntry("MainDirPath", "Corvid"));
    EXPECT_TRUE(store.removeEntry("Nirgends", "Eule"));
}

TEST(SettingsStore, KeepsListingSerialsAsDecimalEntries)
{
    ScratchSettings scratch;
    ListingSerialStore serials(scratch.store());
    const std::string digest(64, 'a');
    EXPECT_EQ(serials.lastAccepted("Corvid")->serial, 0u);
    serials.remember("Corvid", {18446744073709551615u, digest});
    serials.remember("Dachs", {3, ""});
    EXPECT_EQ(serials.lastAccepted("Corvid")->serial, 18446744073709551615u);
    EXPECT_EQ(serials.lastAccepted("Corvid")->digest, digest);
    EXPECT_EQ(serials.lastAccepted("Dachs")->serial, 3u);
    EXPECT_EQ(scratch.store().readString("ListingSerial", "Dachs", ""), "3");
    // A stored text that is no serial is not taken for "none accepted": a rollback would pass.
    for (const char* text : {"x", "-1", "12a", "18446744073709551616", " 5"}) {
        ASSERT_TRUE(scratch.store().writeString("ListingSerial", "Eule", text));
        EXPECT_FALSE(serials.lastAccepted("Eule").has_value()) << text;
    }
    ASSERT_TRUE(scratch.store().writeString("ListingSerial", "Eule", "4"));
    ASSERT_TRUE(scratch.store().writeString("ListingDigest", "Eule", "kein Digest"));
    EXPECT_FALSE(serials.lastAccepted("Eule").has_value());
}

} // namespace
