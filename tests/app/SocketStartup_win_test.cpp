#include "app/SocketStartup.h"

#include "text/UserTexts.h"

#include <gtest/gtest.h>

#include <string>

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

} // namespace
