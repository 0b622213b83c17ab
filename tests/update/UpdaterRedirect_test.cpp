// The update run against a server that redirects its command posts: followed within the
// limit, the listing and the files come from where the redirects led; beyond it, or with
// a status that is not followed, nothing is fetched.
#include "FaultServerRun.h"

#include "support/Environment.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Hops {
    const char* name;
    std::vector<int> statuses; // one redirecting server each, in order
    bool followed;
    int followedLines; // log lines of followed redirects
    int refusedLines;  // and of the one not followed
};

void PrintTo(const Hops& hops, std::ostream* out)
{
    *out << hops.name;
}

const Hops kHops[] = {
    {"Moved301", {301}, true, 1, 0},
    {"Found302", {302}, true, 1, 0},
    {"Temporary307", {307}, true, 1, 0},
    {"ChainOfFive308", {308, 308, 308, 308, 308}, true, 5, 0},
    {"SixHops", {308, 301, 302, 307, 308, 301}, false, 5, 1},
    {"SeeOther303", {303}, false, 0, 0},
};

class RedirectedRun : public FaultServerRun, public ::testing::WithParamInterface<Hops> {};

TEST_P(RedirectedRun, FetchesWhereTheRedirectsLedOrNothing)
{
    serveListing({{"./a.txt", 1100000000, 4}});
    serveFile("./a.txt", OkReply("neu!"));
    // Each server sends on to the next; the last to the fault server, with another path.
    const std::vector<int>& statuses = GetParam().statuses;
    std::vector<std::unique_ptr<TestHttpServer>> hops(statuses.size());
    std::string next = "http://127.0.0.1:" + std::to_string(server_.port()) + "/neu/jobgate.cgi";
    for (std::size_t i = statuses.size(); i-- > 0;) {
        hops[i] = std::make_unique<TestHttpServer>(RedirectReply(statuses[i], next));
        next = "http://127.0.0.1:" + std::to_string(hops[i]->port()) + "/weiter/" + std::to_string(i);
    }
    SetEnvironment("BRENHOLD_UPDATE_SERVER", "127.0.0.1:" + std::to_string(hops[0]->port()));

    const std::string before = InstalledState(mainDirectory());
    LinesLog log;
    // Nothing here is meant to stall: limits a busy machine with many servers keeps.
    const auto run = newRun(kDefaultTimeouts);
    run->log = &log;
    run->bringUpToDate();

    EXPECT_EQ(log.count("redirected ("), GetParam().followedLines);
    EXPECT_EQ(log.count("not followed"), GetParam().refusedLines);
    if (GetParam().followed) {
        EXPECT_EQ(run->outcome(), Updater::Outcome::Done);
        EXPECT_EQ(ReadFileBytes(localFile("./a.txt")), "neu!");
        ASSERT_EQ(server_.requests().size(), 2u);
        for (const std::string& request : server_.requests())
            EXPECT_EQ(request.rfind("POST /neu/jobgate.cgi HTTP/1.1\r\n", 0), 0u) << request;
        EXPECT_EQ(requestedFiles(), std::vector<std::string>{"./a.txt"});
    } else {
        EXPECT_EQ(run->outcome(), Updater::Outcome::ServerUnreachable);
        EXPECT_EQ(InstalledState(mainDirectory()), before);
        EXPECT_TRUE(server_.requests().empty());
    }
    // Every hop saw the listing's post once, with the same command text, at the path the
    // hop before named.
    for (std::size_t i = 0; i < hops.size(); ++i) {
        ASSERT_EQ(hops[i]->requests().size(), 1u);
        EXPECT_NE(hops[i]->lastRequest().find("\r\n\r\n0 15 Corvid\x03"), std::string::npos);
        const std::string path = i == 0 ? "/cgi-bin/jobgate.cgi" : "/weiter/" + std::to_string(i);
        EXPECT_EQ(hops[i]->lastRequest().rfind("POST " + path + " HTTP/1.1\r\n", 0), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Hops, RedirectedRun, ::testing::ValuesIn(kHops),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
