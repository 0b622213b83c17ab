// The compiled resources as the program finds them at run time.
#include "resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string LoadText(UINT id)
{
    char text[256] = {};
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

TEST(Resources, StringsAreWindows1252)
{
    EXPECT_EQ(LoadText(IDS_ABOUTBOX), "Inf&o \xFC"
                                      "ber Brenhold...");
    EXPECT_EQ(LoadText(IDS_SOCKETS_INIT_FAILED), "Fehler beim Initialisieren der Windows-Sockets.");
}

TEST(Resources, ProductPictureIs122x262In256Colours)
{
    HANDLE image = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_PRODUCT), IMAGE_BITMAP, 0, 0,
                              LR_CREATEDIBSECTION);
    ASSERT_NE(image, nullptr);
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectA(image, sizeof dib, &dib), static_cast<int>(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmWidth, 122);
    EXPECT_EQ(dib.dsBm.bmHeight, 262);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 8);
    DeleteObject(image);
}

TEST(Resources, IconIs32x32In16Colours)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC group =
        FindResourceA(module, MAKEINTRESOURCEA(IDI_BRENHOLD), MAKEINTRESOURCEA(3 + 11)); // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    // Directory header (6 bytes), then one 14-byte entry: width, height, colours, ...
    ASSERT_EQ(bytes[4], 1);
    EXPECT_EQ(bytes[6], 32);
    EXPECT_EQ(bytes[7], 32);
    EXPECT_EQ(bytes[8], 16);
    EXPECT_NE(LoadIconA(module, MAKEINTRESOURCEA(IDI_BRENHOLD)), nullptr);
}

TEST(Resources, DialogTemplatesArePresent)
{
    HMODULE module = GetModuleHandleA(nullptr);
    for (int id : {IDD_ABOUTBOX, IDD_UPDATE, IDD_INSTALL})
        EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5)), nullptr)
            << id; // RT_DIALOG
}

} // namespace
