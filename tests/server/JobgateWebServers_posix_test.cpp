// The work script under the real web servers on loopback, asked with curl: lighttpd with
// jobgate as CGI program and as FastCGI back ends, nginx and Apache with jobgate as a
// FastCGI server on a socket of its own; file bodies sent by the web server or by jobgate.
#include "ChildProcess.h"
#include "JobgateSites.h"
#include "TestRepository.h"

#include <gtest/gtest.h>

namespace {

std::string Command(const std::string& number, std::initializer_list<std::string> fields)
{
    std::string text = "0 " + number + " ";
    for (const std::string& field : fields)
        text += field + '\x03';
    return text;
}

Answer Curl(const std::string& url, const std::vector<std::string>& options, const std::string& input = "")
{
    std::vector<std::string> argv = {"/usr/bin/curl", "-sS", "-i", "--max-time", "20"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(url);
    const ProcessResult result = RunProcess(argv, {}, input);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return SplitAnswer(result.out);
}

Answer Post(const JobgateSite& server, const std::string& command)
{
    return Curl(server.url(), {"-X", "POST", "-H", "Content-Type: text/plain", "--data-binary", "@-"},
                command);
}

class JobgateUnderWebServer : public ::testing::TestWithParam<SiteSetup> {
protected:
    void SetUp() override
    {
        if (!JobgateSite::available(GetParam().kind))
            GTEST_SKIP() << "the web server is not installed";
    }

    TestRepository repository_;
};

TEST_P(JobgateUnderWebServer, ServesTheListingAndEveryFile)
{
    const JobgateSite server(GetParam(), repository_.root());
    ASSERT_TRUE(server.running()) << server.errorLog();

    const Answer listing = Post(server, Command("15", {"Corvid"}));
    EXPECT_EQ(listing.status, 200);
    EXPECT_EQ(listing.body, repository_.expectedListing());
    FileTree expected, served;
    expected.readListing(repository_.expectedListing());
    served.readListing(listing.body);
    EXPECT_EQ(RowsOf(served), RowsOf(expected));

    for (const ExpectedFile& file : repository_.files()) {
        SCOPED_TRACE(file.diskPath);
        const Answer answer = Post(server, Command("16", {"Corvid", file.listedPath}));
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.header("Content-Type"), "application/octet-stream");
        EXPECT_EQ(answer.header("Content-Length"), std::to_string(file.bytes.size()));
        EXPECT_EQ(answer.header("X-Sendfile"), "");
        EXPECT_EQ(answer.header("X-Accel-Redirect"), "");
        EXPECT_TRUE(answer.body == file.bytes) << server.errorLog();
    }
}

TEST_P(JobgateUnderWebServer, ServesTheSignedListingAsSignedAndTheWalkWithoutOne)
{
    TempDir keys;
    const ProcessResult key = RunProcess({BRENHOLD_JOBGATE_SIGN_BIN, "keygen", keys / "maker.pem"});
    ASSERT_EQ(key.exitCode, 0) << key.err;
    const ProcessResult signedRun = RunProcess(
        {BRENHOLD_JOBGATE_SIGN_BIN, "sign", "--key", keys / "maker.pem", repository_.root(), "Corvid"});
    ASSERT_EQ(signedRun.exitCode, 0) << signedRun.err;
    const std::string path = repository_.root() + "/Corvid.brenhold-listing";
    const std::string stored = ReadFileBytes(path);
    ASSERT_NE(stored.find("brenhold-signature 1 "), std::string::npos);

    const JobgateSite server(GetParam(), repository_.root());
    ASSERT_TRUE(server.running()) << server.errorLog();
    const Answer signedListing = Post(server, Command("15", {"Corvid"}));
    EXPECT_EQ(signedListing.status, 200);
    EXPECT_TRUE(signedListing.body == stored);

    ASSERT_TRUE(std::filesystem::remove(path));
    const Answer walked = Post(server, Command("15", {"Corvid"}));
    EXPECT_EQ(walked.status, 200);
    EXPECT_EQ(walked.body, repository_.expectedListing());
}

TEST_P(JobgateUnderWebServer, RefusesWithStatusAndText)
{
    const JobgateSite server(GetParam(), repository_.root());
    ASSERT_TRUE(server.running()) << server.errorLog();
    const std::pair<std::string, int> refusals[] = {
        {Command("16", {"Corvid", "./../../outside/secret"}), 403},
        {Command("16", {"Corvid", "./evil"}), 403},
        {Command("16", {"Corvid", "./nothing"}), 404},
        {Command("15", {"Nobody"}), 404},
        {"0 15 Corvid", 400},
    };
    for (const auto& [command, status] : refusals) {
        SCOPED_TRACE(command);
        const Answer answer = Post(server, command);
        EXPECT_EQ(answer.status, status);
        EXPECT_EQ(answer.body.find("secret"), std::string::npos);
    }
    const Answer get = Curl(server.url(), {});
    EXPECT_EQ(get.status, 405);
    EXPECT_EQ(get.header("Allow"), "POST");
}

TEST_P(JobgateUnderWebServer, ResumesFromARangeStart)
{
    const JobgateSite server(GetParam(), repository_.root());
    ASSERT_TRUE(server.running()) << server.errorLog();
    const ExpectedFile& big = repository_.files()[1];
    const std::string command = Command("16", {"Corvid", big.listedPath});
    const auto post = [&](const std::string& range) {
        return Curl(server.url(),
                    {"-X", "POST", "-H", "Content-Type: text/plain", "-H", "Range: " + range, "--data-binary", "@-"},
                    command);
    };
    // Not curl's -r: with a POST body it sends Content-Range, as for resuming an upload.
    const Answer part = post("bytes=123456-");
    EXPECT_EQ(part.status, 206);
    EXPECT_EQ(part.header("Content-Range"), "bytes 123456-299999/300000");
    EXPECT_EQ(part.header("Content-Length"), std::to_string(300000 - 123456));
    EXPECT_TRUE(part.body == big.bytes.substr(123456));

    const Answer beyond = post("bytes=300000-");
    EXPECT_EQ(beyond.status, 416);
    EXPECT_EQ(beyond.header("Content-Range"), "bytes */300000");

    for (const char* ignored : {"bytes=abc", "bytes=0-1,5-9"}) {
        SCOPED_TRACE(ignored);
        const Answer whole = post(ignored);
        EXPECT_EQ(whole.status, 200);
        EXPECT_EQ(whole.header("Content-Range"), "");
        EXPECT_TRUE(whole.body == big.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Sites, JobgateUnderWebServer, ::testing::ValuesIn(AllSiteSetups()),
                         [](const auto& info) { return SiteName(info.param); });

TEST(LighttpdServer, StopsWhatItStarted)
{
    TestRepository repository;
    LighttpdServer server(repository.root());
    ASSERT_TRUE(server.running());
    const int port = server.port();
    EXPECT_TRUE(LoopbackPortAnswers(port));
    server.stop();
    EXPECT_FALSE(server.running());
    EXPECT_FALSE(LoopbackPortAnswers(port));
}

} // namespace
