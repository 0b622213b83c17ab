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
        bool secure;
    } cases[] = {
        {"updates.velmora.example", true, "updates.velmora.example", 80, false},
        {"127.0.0.1:8080", true, "127.0.0.1", 8080, false},
        {"h:1", true, "h", 1, false},
        {"h:65535", true, "h", 65535, false},
        {"http://h", true, "h", 80, false},
        {"http://h:8080", true, "h", 8080, false},
        {"https://h", true, "h", 443, true},
        {"https://h:8443", true, "h", 8443, true},
        {"HTTPS://h", true, "h", 443, true},
        {"h:65536", false, "", 0, false},
        {"h:0", false, "", 0, false},
        {"h:", false, "", 0, false},
        {"h:80x", false, "", 0, false},
        {":80", false, "", 0, false},
        {"", false, "", 0, false},
        {"h:1:2", false, "", 0, false},
        {"https://", false, "", 0, false},
        {"https://:443", false, "", 0, false},
        {"https://h/", false, "", 0, false},
        {"https://h/cgi-bin", false, "", 0, false},
        {"https://user@h", false, "", 0, false},
        {"ftp://h", false, "", 0, false},
        {"https:/h", false, "", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ServerAddress address{"unchanged", 1};
        EXPECT_EQ(ParseServerAddress(c.text, address), c.valid);
        if (c.valid) {
            EXPECT_EQ(address.host, c.host);
            EXPECT_EQ(address.port, c.port);
            EXPECT_EQ(address.secure, c.secure);
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

    SetEnvironment("BRENHOLD_UPDATE_SERVER", "https://staging.example");
    address = ConfiguredUpdateServer();
    EXPECT_EQ(address.host, "staging.example");
    EXPECT_EQ(address.port, 443);
    EXPECT_TRUE(address.secure);

    SetEnvironment("BRENHOLD_UPDATE_SERVER", "");
    address = ConfiguredUpdateServer();
    EXPECT_EQ(address.host, builtIn.host);
    EXPECT_EQ(address.port, builtIn.port);

    SetEnvironment("BRENHOLD_UPDATE_SERVER", "bad:port");
    testing::internal::CaptureStderr();
    address = ConfiguredUpdateServer();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Ignoring BRENHOLD_UPDATE_SERVER=bad:port: expected host[:port], http://host[:port] or "
              "https://host[:port]\n");
    EXPECT_EQ(address.host, builtIn.host);
}

} // namespace
