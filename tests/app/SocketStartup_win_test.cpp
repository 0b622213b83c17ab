#include "app/SocketStartup.h"

#include "text/UserTexts.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {

TEST(SocketStartupWin, FailureMessageAndCaptionOfThisProgram)
{
    const SocketPlatform platform = SystemSocketPlatform();
    EXPECT_EQ(platform.failureText, std::string(texts::kSocketStartFailed));
    EXPECT_EQ(platform.caption, "app_test");
}

TEST(SocketStartupWin, StartsWindowsSockets11)
{
    const SocketSession session = SocketSession::Start(SystemSocketPlatform());
    EXPECT_TRUE(session.isStarted());
}

// Appends the child's text, or "(exclamation)" for the exclamation icon, to the list.
BOOL CALLBACK CollectText(HWND child, LPARAM texts)
{
    char text[256] = {};
    GetWindowTextA(child, text, sizeof text);
    const auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    if (icon != nullptr && icon == LoadIconA(nullptr, IDI_EXCLAMATION))
        std::strcpy(text, "(exclamation)");
    *reinterpret_cast<std::string*>(texts) += std::string(text) + "|";
    return TRUE;
}

// The real message box: found by its caption, its texts read and then confirmed with OK
// from a second thread while the first waits in the box.
TEST(SocketStartupWin, FailureShowsTheMessageBox)
{
    SocketPlatform platform = SystemSocketPlatform();
    platform.startup = [](std::uint16_t, std::uint16_t&) { return WSASYSNOTREADY; };
    platform.caption = "Brenhold Sockettest";
    std::string texts = "|";
    bool found = false;
    std::thread closer([&] {
        for (int attempt = 0; attempt < 200 && !found; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const HWND box = FindWindowA(nullptr, "Brenhold Sockettest");
            if (box == nullptr)
                continue;
            found = true;
            EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&texts));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    });
    const SocketSession session = SocketSession::Start(platform);
    closer.join();
    EXPECT_FALSE(session.isStarted());
    ASSERT_TRUE(found);
    EXPECT_NE(texts.find("|Fehler beim Initialisieren der Windows-Sockets.|"), std::string::npos) << texts;
    EXPECT_NE(texts.find("|OK|"), std::string::npos) << texts;
    EXPECT_NE(texts.find("(exclamation)|"), std::string::npos) << texts;
}

} // namespace
