#include "app/SocketStartup.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// A socket layer that answers as told and records what was done to it.
struct FakeSockets {
    int result = 0;
    std::uint16_t granted = 0x0101;
    std::uint16_t requested = 0;
    int cleanups = 0;
    int messages = 0;
    std::string text;
    std::string caption;

    SocketPlatform platform()
    {
        SocketPlatform p;
        p.startup = [this](std::uint16_t version, std::uint16_t& grantedVersion) {
            requested = version;
            if (result == 0)
                grantedVersion = granted;
            return result;
        };
        p.cleanup = [this] { ++cleanups; };
        p.tellUser = [this](const std::string& t, const std::string& c) {
            ++messages;
            text = t;
            caption = c;
        };
        p.failureText = "Fehler beim Initialisieren der Windows-Sockets.";
        p.caption = "Brenhold";
        return p;
    }
};

TEST(SocketStartup, StaysStartedUntilTheSessionEnds)
{
    FakeSockets sockets;
    {
        SocketSession session = SocketSession::Start(sockets.platform());
        EXPECT_TRUE(session.isStarted());
        EXPECT_EQ(sockets.requested, 0x0101);
        SocketSession moved = std::move(session);
        EXPECT_TRUE(moved.isStarted());
        EXPECT_FALSE(session.isStarted());
        EXPECT_EQ(sockets.cleanups, 0);
    }
    EXPECT_EQ(sockets.cleanups, 1);
    EXPECT_EQ(sockets.messages, 0);
}

TEST(SocketStartup, FailureTellsTheUserAndCleansUpOnlyWhatStarted)
{
    struct Case {
        int result;
        std::uint16_t granted;
        int cleanups;
    };
    const Case cases[] = {
        {10091, 0x0101, 0}, // the layer is not ready
        {0, 0x0001, 1},     // version 1.0 granted
        {0, 0x0202, 1},     // version 2.2 granted
        {0, 0x0100, 1},     // minor and major swapped
    };
    for (const Case& c : cases) {
        FakeSockets sockets;
        sockets.result = c.result;
        sockets.granted = c.granted;
        {
            const SocketSession session = SocketSession::Start(sockets.platform());
            EXPECT_FALSE(session.isStarted());
        }
        EXPECT_EQ(sockets.cleanups, c.cleanups) << c.result << " " << c.granted;
        EXPECT_EQ(sockets.messages, 1);
        EXPECT_EQ(sockets.text, "Fehler beim Initialisieren der Windows-Sockets.");
        EXPECT_EQ(sockets.caption, "Brenhold");
    }
}

TEST(SocketStartup, CaptionIsTheProgramFileNameWithoutExtension)
{
    struct Case {
        std::string path;
        std::string title;
    };
    const Case cases[] = {
        {"C:\\Downloads\\Brenhold.exe", "Brenhold"}, {"C:/Setup/Brenhold.EXE", "Brenhold"},
        {"\\\\server\\share\\v1.2\\Setup", "Setup"}, {"Brenhold.neu.exe", "Brenhold.neu"},
        {"/usr/bin/brenhold", "brenhold"},           {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProgramFileTitle(c.path), c.title) << c.path;
}

} // namespace
