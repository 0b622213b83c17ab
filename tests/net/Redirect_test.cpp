// Where a redirect's Location leads from a command target, and which ones are refused.
#include "net/Redirect.h"

#include <gtest/gtest.h>

namespace {

CommandTarget Target(bool secure, const char* host, int port, const char* path)
{
    CommandTarget target;
    target.server = {host, static_cast<std::uint16_t>(port), secure};
    // Moved in rather than assigned from the pointer, which GCC 12 for MinGW takes for an
    // overlapping copy (a false restrict warning).
    target.path = std::string(path);
    return target;
}

TEST(Redirect, FollowsHttpToHttpsAndWithinASchemeNeverHttpsToHttp)
{
    const CommandTarget plain = Target(false, "alt.example", 80, "/cgi-bin/jobgate.cgi");
    const CommandTarget tls = Target(true, "alt.example", 443, "/cgi-bin/jobgate.cgi");
    const struct {
        const CommandTarget& from;
        const char* location;
        const char* url; // where it leads; empty when refused
    } cases[] = {
        {plain, "https://neu.example/cgi-bin/jobgate.cgi", "https://neu.example:443/cgi-bin/jobgate.cgi"},
        {plain, "http://neu.example:8080/x?y=1#teil", "http://neu.example:8080/x?y=1"},
        {plain, "HTTPS://neu.example", "https://neu.example:443/"},
        {plain, "/anders/jobgate.cgi", "http://alt.example:80/anders/jobgate.cgi"},
        {tls, "/anders", "https://alt.example:443/anders"},
        {tls, "https://neu.example:8443/j", "https://neu.example:8443/j"},
        {tls, "http://neu.example/cgi-bin/jobgate.cgi", ""},
        {plain, "", ""},
        {plain, "ftp://neu.example/", ""},
        {plain, "//neu.example/x", ""},
        {plain, "jobgate.cgi", ""},
        {plain, "http://user@neu.example/", ""},
        {plain, "http:///x", ""},
        {plain, "http://neu.example/a b", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location);
        CommandTarget to = Target(false, "unberuehrt", 1, "/");
        const std::string refusal = FollowLocation(c.from, c.location, to);
        if (*c.url != '\0') {
            EXPECT_EQ(refusal, "");
            EXPECT_EQ(UrlOf(to), c.url);
        } else {
            EXPECT_NE(refusal, "");
            EXPECT_EQ(to.server.host, "unberuehrt");
        }
    }
}

TEST(Redirect, FindsTheLocationAndTheFollowedStatuses)
{
    EXPECT_EQ(LocationOf("HTTP/1.1 301 Moved\r\nlocation:  https://h/x \r\n\r\n"), "https://h/x");
    EXPECT_EQ(LocationOf("HTTP/1.1 301 Moved\r\nContent-Location: /y\r\n\r\n"), "");
    EXPECT_EQ(LocationOf("HTTP/1.1 301 Moved\r\n\r\n"), "");
    for (const int status : {301, 302, 307, 308})
        EXPECT_TRUE(IsFollowedRedirect(status)) << status;
    for (const int status : {200, 300, 303, 304, 305, 306, 309})
        EXPECT_FALSE(IsFollowedRedirect(status)) << status;
}

} // namespace
