#include "net/UpdateServer.h"

#include "support/Environment.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdateServer, ParsesHostAndOptionalPort)
{
    const struct {
        const char* text;
        bool valid;
        const char* host;
        int port;
    } cases[] = {
        {"updates.velmora.example", true, "updates.velmora.example", 80},
        {"127.0.0.1:8080", true, "127.0.0.1", 8080},
        {"h:1", true, "h", 1},
        {"h:65535", true, "h", 65535},
        {"h:65536", false, "", 0},
        {"h:0", false, "", 0},
        {"h:", false, "", 0},
        {"h:80x", false, "", 0},
        {":80", false, "", 0},
        {"", false, "", 0},
        {"h:1:2", false, "", 0},
        {"http://h", false, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ServerAddress address{"unchanged", 1};
        EXPECT_EQ(ParseServerAddress(c.text, address), c.valid);
        if (c.valid) {
            EXPECT_EQ(address.host, c.host);
            EXPECT_EQ(address.port, c.port);
        } else {
            EXPECT_EQ(address.host, "unchanged");
        }
    }
}

TEST(UpdateServer, EnvironmentOverridesTheBuiltInAddress)
{
    ServerAddress builtIn;
    ASSERT_TRUE(ParseServerAddress(BRENHOLD_UPDATE_SERVER, builtIn));

    SetEnvironment("BRENHOLD_UPDATE_SERVER", "staging.example:81");
    ServerAddress address = ConfiguredUpdateServer();
    EXPECT_EQ(address.host, "staging.example");
    EXPECT_EQ(address.port, 81);

    SetEnvironment("BRENHOLD_UPDATE_SERVER", "");
    address = ConfiguredUpdateServer();
    EXPECT_EQ(address.host, builtIn.host);
    EXPECT_EQ(address.port, builtIn.port);

    SetEnvironment("BRENHOLD_UPDATE_SERVER", "bad:port");
    testing::internal::CaptureStderr();
    address = ConfiguredUpdateServer();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Ignoring BRENHOLD_UPDATE_SERVER=bad:port: expected host or host:port\n");
    EXPECT_EQ(address.host, builtIn.host);
}

} // namespace
