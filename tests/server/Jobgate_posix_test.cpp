// The work script run directly as a CGI program, the way a web server runs it, and the
// same requests asked of one jobgate FastCGI server, which must answer each alike.
#include "ChildProcess.h"
#include "FastCgiClient.h"
#include "JobgateFastCgiServer.h"
#include "TestRepository.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

std::string Command(const std::string& number, std::initializer_list<std::string> fields)
{
    std::string text = "0 " + number + " ";
    for (const std::string& field : fields)
        text += field + '\x03';
    return text;
}

// Records every opening and reading of anything in one folder while it lives.
class ReadWatch {
public:
    explicit ReadWatch(const std::string& folder) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        ::inotify_add_watch(fd_, folder.c_str(), IN_OPEN | IN_ACCESS);
    }
    ~ReadWatch() { ::close(fd_); }

    bool anythingRead() const
    {
        char buffer[4096];
        return ::read(fd_, buffer, sizeof buffer) > 0;
    }

private:
    int fd_;
};

enum class Interface { Cgi, FastCgi };

class JobgateProcess : public ::testing::TestWithParam<Interface> {
protected:
    void SetUp() override
    {
        if (GetParam() == Interface::FastCgi) {
            fastcgi_ = std::make_unique<JobgateFastCgiServer>();
            ASSERT_TRUE(fastcgi_->running());
        }
    }

    // One request with these variables and this body: a CGI run, or a FastCGI request to
    // the one server of the test (standard error: what it wrote meanwhile).
    ProcessResult ask(const EnvironmentOverrides& variables, const std::string& input)
    {
        if (GetParam() == Interface::Cgi)
            return RunProcess({BRENHOLD_JOBGATE_BIN}, variables, input);
        const FastCgiAnswer answer = AskFastCgi(fastcgi_->address(), variables, input);
        ProcessResult result;
        result.exitCode = answer.complete ? 0 : -1;
        result.out = answer.out;
        result.err = fastcgi_->newErrors() + answer.err;
        return result;
    }

    ProcessResult run(const std::string& body, const std::string& method = "POST", bool sendfile = false,
                      const std::string& range = "")
    {
        return ask({{"REQUEST_METHOD", method},
                    {"CONTENT_LENGTH", std::to_string(body.size())},
                    {"JOBGATE_ROOT", repository_.root()},
                    {"JOBGATE_SENDFILE", sendfile ? "1" : ""},
                    {"HTTP_RANGE", range}},
                   body);
    }

    std::unique_ptr<JobgateFastCgiServer> fastcgi_;
    TestRepository repository_;
};

TEST_P(JobgateProcess, ListsEveryListableFileInByteOrder)
{
    ReadWatch watch(repository_.outside());
    const ProcessResult result = run(Command("15", {"Corvid"}));
    ASSERT_EQ(result.exitCode, 0);
    const Answer answer = SplitAnswer(result.out);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.header("Content-Type"), "text/plain; charset=windows-1252");
    EXPECT_EQ(answer.header("Content-Length"), std::to_string(answer.body.size()));

    FileTree expected, listed;
    expected.readListing(repository_.expectedListing());
    listed.readListing(answer.body);
    EXPECT_EQ(RowsOf(listed), RowsOf(expected));
    EXPECT_EQ(answer.body, repository_.expectedListing());

    // What is left out is named on standard error, one line each.
    for (const char* name : {"\xE2\x86\x92.txt", "/evil:", "evil-absolute", "folder-link"})
        EXPECT_NE(result.err.find(name), std::string::npos) << name;
    EXPECT_EQ(result.err.find("pipe"), std::string::npos);
    EXPECT_FALSE(watch.anythingRead());
}

TEST_P(JobgateProcess, SendsASignedListingAsItIsWithoutWalkingTheFolder)
{
    // jobgate does not read what it sends: any bytes the maker's tool left are sent.
    const std::string stored = std::string("brenhold-signature 1 \x04 any bytes\0\x03\xFF", 35);
    const std::string path = repository_.root() + "/Corvid.brenhold-listing";
    ASSERT_TRUE(WriteFileBytes(path, stored));
    {
        ReadWatch watch(repository_.root() + "/Corvid");
        const ProcessResult result = run(Command("15", {"Corvid"}));
        EXPECT_EQ(result.exitCode, 0);
        const Answer answer = SplitAnswer(result.out);
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.header("Content-Type"), "text/plain; charset=windows-1252");
        EXPECT_EQ(answer.header("Content-Length"), std::to_string(stored.size()));
        EXPECT_TRUE(answer.body == stored);
        EXPECT_EQ(result.err, "");
        EXPECT_FALSE(watch.anythingRead());
    }
    // Files are sent as before, and a product without its own signed listing is walked.
    EXPECT_EQ(SplitAnswer(run(Command("16", {"Corvid", "./z.txt"})).out).body, "z");
    EXPECT_EQ(SplitAnswer(run(Command("15", {"Outsider"})).out).body.find("brenhold-signature"),
              std::string::npos);

    // A signed listing that is there but cannot be read is a server error, not a silent walk.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    const ProcessResult broken = run(Command("15", {"Corvid"}));
    EXPECT_EQ(SplitAnswer(broken.out).status, 500);
    EXPECT_NE(broken.err.find("Corvid.brenhold-listing"), std::string::npos) << broken.err;
}

TEST_P(JobgateProcess, SendsFileBytesUnchanged)
{
    for (const ExpectedFile& file : repository_.files()) {
        SCOPED_TRACE(file.diskPath);
        const ProcessResult result = run(Command("16", {"Corvid", file.listedPath}));
        const Answer answer = SplitAnswer(result.out);
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.header("Content-Type"), "application/octet-stream");
        EXPECT_EQ(answer.header("Content-Length"), std::to_string(file.bytes.size()));
        EXPECT_TRUE(answer.body == file.bytes);
    }
}

TEST_P(JobgateProcess, LeavesFileBodiesToTheWebServerWhenAsked)
{
    const ProcessResult result = run(Command("16", {"Corvid", "./Hilfe/\xDC"
                                                              "ber Corvid.txt"}),
                                     "POST", true);
    const Answer answer = SplitAnswer(result.out);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.header("X-Sendfile"), repository_.root() + "/Corvid/Hilfe/%C3%9Cber%20Corvid.txt");
    EXPECT_EQ(answer.body, "");
}

TEST_P(JobgateProcess, SendsTheRestOfAFileFromARangeStart)
{
    const ExpectedFile& big = repository_.files()[1];
    ASSERT_EQ(big.bytes.size(), 300000u);
    for (const bool sendfile : {false, true}) {
        SCOPED_TRACE(sendfile ? "by sendfile" : "by jobgate");
        // A part is always sent by jobgate itself: web servers ignore Range on a POST.
        const std::pair<const char*, std::size_t> parts[] = {
            {"bytes=100000-", 100000}, {"bytes=299999-", 299999}, {"bytes=0-", 0}};
        for (const auto& [range, first] : parts) {
            SCOPED_TRACE(range);
            const Answer answer = SplitAnswer(run(Command("16", {"Corvid", big.listedPath}), "POST", sendfile, range).out);
            EXPECT_EQ(answer.status, 206);
            EXPECT_EQ(answer.header("Content-Range"), "bytes " + std::to_string(first) + "-299999/300000");
            EXPECT_EQ(answer.header("Content-Length"), std::to_string(300000 - first));
            EXPECT_TRUE(answer.body == big.bytes.substr(first));
        }

        const Answer beyond =
            SplitAnswer(run(Command("16", {"Corvid", big.listedPath}), "POST", sendfile, "bytes=300000-").out);
        EXPECT_EQ(beyond.status, 416);
        EXPECT_EQ(beyond.header("Content-Range"), "bytes */300000");
        const Answer empty = SplitAnswer(run(Command("16", {"Corvid", "./empty"}), "POST", sendfile, "bytes=0-").out);
        EXPECT_EQ(empty.status, 416);
        EXPECT_EQ(empty.header("Content-Range"), "bytes */0");

        for (const char* ignored : {"bytes=abc", "bytes=5-1", "bytes=0-1,5-9", "lines=0-"}) {
            SCOPED_TRACE(ignored);
            const Answer answer =
                SplitAnswer(run(Command("16", {"Corvid", big.listedPath}), "POST", sendfile, ignored).out);
            EXPECT_EQ(answer.status, 200);
            EXPECT_EQ(answer.header("Content-Range"), "");
            if (sendfile)
                EXPECT_EQ(answer.header("X-Sendfile"), repository_.root() + "/Corvid/Daten/Karten/nord.bin");
            else
                EXPECT_TRUE(answer.body == big.bytes);
        }
    }
}

TEST_P(JobgateProcess, SendsTheSignedListingAsItIsAndEachChangeOfIt)
{
    const std::string signedPath = repository_.root() + "/Corvid.brenhold-listing";
    const auto listing = [&] { return SplitAnswer(run(Command("15", {"Corvid"})).out); };
    ASSERT_TRUE(WriteFileBytes(signedPath, "release 1"));
    EXPECT_EQ(listing().body, "release 1");

    // Rewritten in place with the same size, then replaced by a renamed file.
    ASSERT_TRUE(WriteFileBytes(signedPath, "release 2"));
    EXPECT_EQ(listing().body, "release 2");
    ASSERT_TRUE(WriteFileBytes(signedPath + ".new", "release three"));
    ASSERT_EQ(::rename((signedPath + ".new").c_str(), signedPath.c_str()), 0);
    EXPECT_EQ(listing().body, "release three");

    ASSERT_EQ(::unlink(signedPath.c_str()), 0);
    const Answer walked = listing();
    EXPECT_EQ(walked.status, 200);
    EXPECT_EQ(walked.body, repository_.expectedListing());
}

// Payloads are sent from the store as files are: whole, by the web server when it sends files,
// from a range start; a missing one is 404, so that the client takes the next cheaper form, and
// the store's links are never followed.
TEST_P(JobgateProcess, SendsPayloadsOfTheStoreLikeFiles)
{
    const std::string store = repository_.root() + "/Corvid.brenhold-payload";
    ASSERT_TRUE(std::filesystem::create_directory(store));
    const std::string patch = std::string(64, 'a') + "-" + std::string(64, 'b') + ".zst";
    std::string bytes;
    for (int i = 0; bytes.size() < 100000; ++i)
        bytes += std::to_string(i) + ",";
    ASSERT_TRUE(WriteFileBytes(store + "/" + patch, bytes));
    const std::string linked = std::string(64, 'c') + ".zst";
    ASSERT_EQ(::symlink((repository_.outside() + "/secret").c_str(), (store + "/" + linked).c_str()), 0);

    const Answer whole = SplitAnswer(run(Command("17", {"Corvid", patch})).out);
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(whole.header("Content-Length"), std::to_string(bytes.size()));
    EXPECT_TRUE(whole.body == bytes);
    const Answer sent = SplitAnswer(run(Command("17", {"Corvid", patch}), "POST", true).out);
    EXPECT_EQ(sent.status, 200);
    EXPECT_EQ(sent.header("X-Sendfile"), store + "/" + patch);
    EXPECT_EQ(sent.body, "");
    for (const bool sendfile : {false, true}) {
        const Answer part = SplitAnswer(run(Command("17", {"Corvid", patch}), "POST", sendfile, "bytes=99000-").out);
        EXPECT_EQ(part.status, 206);
        EXPECT_EQ(part.header("Content-Range"), "bytes 99000-" + std::to_string(bytes.size() - 1) + "/" +
                                                    std::to_string(bytes.size()));
        EXPECT_TRUE(part.body == bytes.substr(99000));
    }
    for (const std::string& missing : {std::string(64, 'd') + ".zst", linked}) {
        ReadWatch watch(repository_.outside());
        const Answer answer = SplitAnswer(run(Command("17", {"Corvid", missing})).out);
        EXPECT_EQ(answer.status, 404);
        EXPECT_EQ(answer.body.find("secret"), std::string::npos);
        EXPECT_FALSE(watch.anythingRead());
    }
}

struct Refusal {
    const char* what;
    std::string method;
    std::string body;
    int status;
};

TEST_P(JobgateProcess, RefusesWithoutReadingOutsideTheRepository)
{
    {
        ReadWatch selfCheck(repository_.outside());
        ReadFileBytes(repository_.outside() + "/secret");
        ASSERT_TRUE(selfCheck.anythingRead());
    }
    const Refusal refusals[] = {
        {"relative path out", "POST", Command("16", {"Corvid", "./../../outside/secret"}), 403},
        {"absolute path", "POST", Command("16", {"Corvid", repository_.outside() + "/secret"}), 403},
        {"backslashes", "POST", Command("16", {"Corvid", ".\\..\\..\\outside\\secret"}), 403},
        {"zero byte", "POST", Command("16", {"Corvid", std::string("./Corvid.exe\0/x", 15)}), 403},
        {"link leading out", "POST", Command("16", {"Corvid", "./evil"}), 403},
        {"absolute link", "POST", Command("16", {"Corvid", "./Hilfe/evil-absolute"}), 403},
        {"through a folder link", "POST", Command("16", {"Corvid", "./folder-link/evil-absolute"}), 404},
        {"product out", "POST", Command("16", {"../outside", "./secret"}), 403},
        {"product path", "POST", Command("15", {"../outside"}), 403},
        {"unknown file", "POST", Command("16", {"Corvid", "./nothing"}), 404},
        {"a folder", "POST", Command("16", {"Corvid", "./Hilfe"}), 404},
        {"a fifo", "POST", Command("16", {"Corvid", "./pipe"}), 404},
        {"unknown product", "POST", Command("15", {"Nobody"}), 404},
        {"unknown product file", "POST", Command("16", {"Nobody", "./Corvid.exe"}), 404},
        {"wrong method", "GET", "", 405},
        {"malformed", "POST", "0 15 Corvid", 400},
        {"unknown command", "POST", Command("18", {"Corvid"}), 400},
        {"payload name out", "POST", Command("17", {"Corvid", "../Corvid.brenhold-listing"}), 403},
        {"payload of no hash", "POST", Command("17", {"Corvid", "secret.zst"}), 403},
        {"payload of another product", "POST", Command("17", {"../outside", std::string(64, 'a') + ".zst"}), 403},
        {"payload without a store", "POST", Command("17", {"Corvid", std::string(64, 'a') + ".zst"}), 404},
        {"payload missing a field", "POST", Command("17", {"Corvid"}), 400},
        {"missing field", "POST", Command("16", {"Corvid"}), 400},
        {"too long", "POST", Command("15", {std::string(20000, 'x')}), 413},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        ReadWatch watch(repository_.outside());
        const ProcessResult result = run(refusal.body, refusal.method);
        EXPECT_EQ(result.exitCode, 0);
        const Answer answer = SplitAnswer(result.out);
        EXPECT_EQ(answer.status, refusal.status);
        EXPECT_EQ(answer.header("Content-Type"), "text/plain");
        EXPECT_FALSE(answer.body.empty());
        EXPECT_EQ(answer.body.find("secret"), std::string::npos);
        EXPECT_FALSE(watch.anythingRead());
    }
}

TEST_P(JobgateProcess, ProductFolderMayBeALink)
{
    // A product folder linked from elsewhere (a release switched by one link) is served.
    const ProcessResult result = run(Command("16", {"Outsider", "./secret"}));
    EXPECT_EQ(SplitAnswer(result.out).status, 200);
}

TEST_P(JobgateProcess, RequestBodyIsCutAtContentLength)
{
    const std::string command = Command("15", {"Corvid"});
    ProcessResult result = ask({{"REQUEST_METHOD", "POST"},
                                {"CONTENT_LENGTH", std::to_string(command.size())},
                                {"JOBGATE_ROOT", repository_.root()}},
                               command + "trailing bytes");
    EXPECT_EQ(SplitAnswer(result.out).status, 200);

    const std::pair<const char*, int> lengths[] = {{"", 411}, {"-5", 400}, {"12x", 400}, {"99", 400}};
    for (const auto& [length, status] : lengths) {
        SCOPED_TRACE(length);
        result = ask({{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", length}, {"JOBGATE_ROOT", repository_.root()}},
                     command);
        EXPECT_EQ(SplitAnswer(result.out).status, status);
    }
}

TEST_P(JobgateProcess, MissingRootIsAServerError)
{
    const std::string command = Command("15", {"Corvid"});
    const ProcessResult result =
        ask({{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", std::to_string(command.size())}}, command);
    EXPECT_EQ(SplitAnswer(result.out).status, 500);
    EXPECT_NE(result.err.find("JOBGATE_ROOT"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Interfaces, JobgateProcess, ::testing::Values(Interface::Cgi, Interface::FastCgi),
                         [](const auto& info) { return info.param == Interface::Cgi ? "Cgi" : "FastCgi"; });

TEST(JobgateFastCgi, TakesTheRepositoryFromItsEnvironmentWhenTheRequestNamesNone)
{
    TestRepository repository;
    JobgateFastCgiServer server({{"JOBGATE_ROOT", repository.root()}, {"JOBGATE_SENDFILE", "1"}});
    ASSERT_TRUE(server.running());
    const std::string command = Command("16", {"Corvid", "./z.txt"});
    const EnvironmentOverrides request = {{"REQUEST_METHOD", "POST"},
                                          {"CONTENT_LENGTH", std::to_string(command.size())}};
    Answer answer = SplitAnswer(AskFastCgi(server.address(), request, command).out);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.header("X-Sendfile"), repository.root() + "/Corvid/z.txt");

    // What the web server passes wins.
    EnvironmentOverrides passed = request;
    passed.push_back({"JOBGATE_SENDFILE", "0"});
    answer = SplitAnswer(AskFastCgi(server.address(), passed, command).out);
    EXPECT_EQ(answer.header("X-Sendfile"), "");
    EXPECT_EQ(answer.body, "z");
}

// How often a file of the folder was opened, by its name.
class OpenCount {
public:
    explicit OpenCount(const std::string& folder) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        ::inotify_add_watch(fd_, folder.c_str(), IN_OPEN);
    }
    ~OpenCount() { ::close(fd_); }

    int opened(const std::string& name)
    {
        alignas(inotify_event) char buffer[8192];
        ssize_t got = 0;
        while ((got = ::read(fd_, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && name == event->name)
                    ++count_;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return count_;
    }

private:
    int fd_;
    int count_ = 0;
};

TEST(JobgateFastCgi, ReadsAnUnchangedSignedListingOnce)
{
    TestRepository repository;
    const std::string signedPath = repository.root() + "/Corvid.brenhold-listing";
    JobgateFastCgiServer server({{"JOBGATE_ROOT", repository.root()}});
    ASSERT_TRUE(server.running());
    const std::string command = Command("15", {"Corvid"});
    const EnvironmentOverrides request = {{"REQUEST_METHOD", "POST"},
                                          {"CONTENT_LENGTH", std::to_string(command.size())}};
    // Counted after each request: inotify folds an event into an unread one just like it.
    OpenCount opens(repository.root());
    ASSERT_TRUE(WriteFileBytes(signedPath, "release 1"));
    opens.opened("Corvid.brenhold-listing");
    const auto opensOfAsking = [&](const char* expected) {
        const int before = opens.opened("Corvid.brenhold-listing");
        EXPECT_EQ(SplitAnswer(AskFastCgi(server.address(), request, command).out).body, expected);
        return opens.opened("Corvid.brenhold-listing") - before;
    };
    EXPECT_EQ(opensOfAsking("release 1"), 1);
    EXPECT_EQ(opensOfAsking("release 1"), 0);
    EXPECT_EQ(opensOfAsking("release 1"), 0);

    ASSERT_TRUE(WriteFileBytes(signedPath, "release 2"));
    opens.opened("Corvid.brenhold-listing"); // the test's own writing
    EXPECT_EQ(opensOfAsking("release 2"), 1);
    EXPECT_EQ(opensOfAsking("release 2"), 0);
}

TEST(JobgateFastCgi, EndsQuietlyWhenStopped)
{
    TestRepository repository;
    JobgateFastCgiServer server({{"JOBGATE_ROOT", repository.root()}});
    ASSERT_TRUE(server.running());
    const std::string command = Command("15", {"Corvid"});
    EXPECT_EQ(SplitAnswer(AskFastCgi(server.address(),
                                     {{"REQUEST_METHOD", "POST"}, {"CONTENT_LENGTH", std::to_string(command.size())}},
                                     command)
                              .out)
                  .status,
              200);
    server.newErrors();
    EXPECT_EQ(server.stop(), 0);
    EXPECT_EQ(server.newErrors(), "");
}

TEST(JobgateFastCgi, RefusesToStartWithoutItsSocket)
{
    const ProcessResult taken = RunProcess({BRENHOLD_JOBGATE_BIN, "--fastcgi", "/nonexistent/folder/socket"});
    EXPECT_EQ(taken.exitCode, 1);
    EXPECT_NE(taken.err.find("cannot listen at /nonexistent/folder/socket"), std::string::npos);
    const ProcessResult unknown = RunProcess({BRENHOLD_JOBGATE_BIN, "--fast"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("usage"), std::string::npos);
}

} // namespace
