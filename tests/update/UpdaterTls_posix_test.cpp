// The update run over HTTPS against jobgate under lighttpd with mod_openssl, with a test CA
// made at test time: installs from CGI and FastCGI with ECDSA and RSA certificates, trusting
// the CA as pinned root or through SSL_CERT_FILE; refuses every server it must not trust,
// changing nothing and ending as with an unreachable server. Through tinyproxy: plain
// requests, tunnels for HTTPS, Basic authentication and the servers no_proxy names.
#include "FaultServerRun.h"
#include "LighttpdServer.h"
#include "ServerProcess.h"
#include "TestCertificates.h"
#include "TinyproxyServer.h"
#include "support/ScopedEnvironment_posix.h"
#include "support/SignedRepository.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;
using Kind = TestCertificates::Kind;

constexpr std::uint32_t kTime = 1100000000;

class TlsRun : public ::testing::Test {
protected:
    TlsRun()
    {
        PutFile(base_.path() / "repo" / "Corvid" / "Corvid.exe", NumberedBytes(300000), kTime);
        PutFile(base_.path() / "repo" / "Corvid" / "Daten" / "klein.txt", "klein", kTime);
        environment_.remove("SSL_CERT_FILE");
        for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY"})
            environment_.remove(name);
    }

    void SetUp() override
    {
        ASSERT_TRUE(certificates_.ok());
        ASSERT_TRUE(SignProduct((base_.path() / "repo").string(), "Corvid"));
    }

    // lighttpd over TLS with a certificate of kind, the run aimed at it.
    std::unique_ptr<LighttpdServer> serve(Kind kind, bool fastcgi = false, const std::string& protocol = "")
    {
        const ServerCertificate certificate = certificates_.server(kind);
        EXPECT_FALSE(certificate.certFile.empty());
        auto server = std::make_unique<LighttpdServer>(
            (base_.path() / "repo").string(), true, fastcgi,
            LighttpdTls{certificate.certFile, certificate.keyFile, protocol});
        EXPECT_TRUE(server->running());
        environment_.set("BRENHOLD_UPDATE_SERVER", server->address());
        return server;
    }

    std::unique_ptr<RecordingUpdater> run(const TlsTrust& trust)
    {
        auto updater = std::make_unique<RecordingUpdater>();
        updater->productName.SetText("Corvid");
        updater->mainDirectory.SetText(main_.string());
        updater->programPath.SetText("./Corvid.exe");
        updater->tlsTrust = trust;
        updater->log = &log_;
        return updater;
    }

    TlsTrust pinned() const { return TlsTrust{certificates_.caPem()}; }

    TempDir base_;
    fs::path main_ = base_.path() / "Corvid";
    TestCertificates certificates_;
    ScopedEnvironment environment_;
    LinesLog log_;
    CurrentDirectoryGuard directory_;
};

TEST_F(TlsRun, InstallsFromCgiAndFastCgiWithEcdsaAndRsaPinnedOrThroughSslCertFile)
{
    const struct {
        Kind kind;
        bool fastcgi;
        bool pinnedRoot; // otherwise the system's roots, which SSL_CERT_FILE replaces
    } cases[] = {{Kind::good, false, true}, {Kind::goodRsa, true, true}, {Kind::good, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fastcgi ? "FastCGI" : "CGI") +
                     (c.pinnedRoot ? ", pinned" : ", SSL_CERT_FILE"));
        fs::current_path(base_.path());
        fs::remove_all(main_);
        const auto server = serve(c.kind, c.fastcgi);
        if (!c.pinnedRoot)
            environment_.set("SSL_CERT_FILE", certificates_.caFile());
        const auto updater = run(c.pinnedRoot ? pinned() : TlsTrust{});
        EXPECT_EQ(updater->bringUpToDate(), Updater::RunEnd::StartProgram);
        EXPECT_EQ(updater->outcome(), Updater::Outcome::Done);
        EXPECT_TRUE(ReadFileBytes(main_ / "Corvid.exe") == NumberedBytes(300000));
        EXPECT_EQ(ReadFileBytes(main_ / "Daten" / "klein.txt"), "klein");
        environment_.remove("SSL_CERT_FILE");
    }
}

TEST_F(TlsRun, ARedirectFromHttpToHttpsIsFollowed)
{
    const auto server = serve(Kind::good);
    TestHttpServer moved(RedirectReply(301, server->url()));
    environment_.set("BRENHOLD_UPDATE_SERVER", "http://127.0.0.1:" + std::to_string(moved.port()));
    const auto updater = run(pinned());
    updater->bringUpToDate();
    EXPECT_EQ(updater->outcome(), Updater::Outcome::Done);
    EXPECT_EQ(ReadFileBytes(main_ / "Daten" / "klein.txt"), "klein");
    EXPECT_EQ(log_.count("redirected (301) from http://127.0.0.1:" + std::to_string(moved.port()) +
                         "/cgi-bin/jobgate.cgi to " + server->url()),
              1);
    EXPECT_EQ(moved.requests().size(), 1u);
}

TEST_F(TlsRun, ARefusedServerChangesNothingAndEndsAsAnUnreachableOne)
{
    // What a run shows and ends with when nothing answers at all.
    const std::string before = [&] {
        const auto good = serve(Kind::good);
        run(pinned())->bringUpToDate();
        PutFile(base_.path() / "repo" / "Corvid" / "Daten" / "klein.txt", "neu", kTime + 10);
        EXPECT_TRUE(SignProduct((base_.path() / "repo").string(), "Corvid"));
        return InstalledState(main_);
    }();
    environment_.set("BRENHOLD_UPDATE_SERVER", "https://127.0.0.1:" + std::to_string(FreeLoopbackPort()));
    const auto unreachable = run(pinned());
    testing::internal::CaptureStderr();
    unreachable->bringUpToDate();
    testing::internal::GetCapturedStderr();

    const struct {
        const char* name;
        Kind kind;
        const char* protocol;
        const char* reason;
    } cases[] = {
        {"untrusted CA", Kind::otherCa, "", "unable to get local issuer certificate"},
        {"expired", Kind::expired, "", "certificate has expired"},
        {"wrong host", Kind::wrongHost, "", "IP address mismatch"},
        {"self-signed", Kind::selfSigned, "", "self-signed certificate"},
        {"TLS 1.1 only", Kind::good, "TLSv1.1", "tlsv1 alert protocol version"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto server = serve(c.kind, false, c.protocol);
        log_.lines.clear();
        const auto updater = run(pinned());
        testing::internal::CaptureStderr();
        EXPECT_EQ(updater->bringUpToDate(), Updater::RunEnd::StartProgram);
        const std::string diagnostics = testing::internal::GetCapturedStderr();
        EXPECT_EQ(updater->outcome(), Updater::Outcome::ServerUnreachable);
        EXPECT_EQ(InstalledState(main_), before);
        const std::string line =
            "TLS handshake with 127.0.0.1 on port " + std::to_string(server->port()) + " failed: " + c.reason;
        EXPECT_EQ(diagnostics, line + "\n");
        EXPECT_EQ(log_.count("no listing: " + line), 1);
        EXPECT_EQ(updater->statusTexts, unreachable->statusTexts);
    }
}

TEST_F(TlsRun, ProxiesCarryPlainRequestsAndTunnelsWithTheirCredentialsUnlessBypassed)
{
    if (!TinyproxyServer::installed())
        GTEST_SKIP() << "tinyproxy is not installed";
    const struct {
        const char* name;
        bool secure;
        const char* proxyCredentials; // what the proxy asks for
        const char* urlCredentials;   // what the proxy URL gives
        const char* noProxy;
        bool done;
        const char* logged; // in the proxy's log; empty: the proxy saw nothing
    } cases[] = {
        {"plain", false, "", "", "", true, "POST http://127.0.0.1:"},
        {"tunnel", true, "", "", "", true, "CONNECT 127.0.0.1:"},
        {"HTTPS_PROXY in upper case", true, "", "", "", true, "CONNECT 127.0.0.1:"},
        {"plain with Basic", false, "benutzer:geheim", "benutzer:geheim@", "", true,
         "POST http://127.0.0.1:"},
        {"tunnel with Basic", true, "benutzer:geheim", "benutzer:geheim@", "", true, "CONNECT 127.0.0.1:"},
        {"tunnel with wrong credentials", true, "benutzer:geheim", "benutzer:falsch@", "", false, ""},
        {"bypassed", true, "", "", "example.com, 127.0.0.1", true, ""},
        {"bypassed by a star", false, "", "", "*", true, ""},
    };
    const auto https = serve(Kind::good);
    LighttpdServer http((base_.path() / "repo").string());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::current_path(base_.path());
        fs::remove_all(main_);
        TinyproxyServer proxy(c.proxyCredentials);
        ASSERT_TRUE(proxy.running());
        const std::string url =
            std::string("http://") + c.urlCredentials + "127.0.0.1:" + std::to_string(proxy.port());
        environment_.set("BRENHOLD_UPDATE_SERVER", c.secure ? https->address() : http.address());
        const std::string variable = !c.secure                                                ? "http_proxy"
                                     : std::string(c.name).find("upper") != std::string::npos ? "HTTPS_PROXY"
                                                                                              : "https_proxy";
        environment_.set(variable, url);
        environment_.set("no_proxy", c.noProxy);
        const auto updater = run(pinned());
        testing::internal::CaptureStderr();
        updater->bringUpToDate();
        const std::string diagnostics = testing::internal::GetCapturedStderr();
        environment_.remove(variable);
        EXPECT_EQ(updater->outcome(), c.done ? Updater::Outcome::Done : Updater::Outcome::ServerUnreachable)
            << diagnostics;
        if (*c.logged != '\0') {
            EXPECT_NE(proxy.log().find(c.logged), std::string::npos) << proxy.log();
        } else if (c.done) {
            EXPECT_EQ(proxy.log().find("127.0.0.1:"), std::string::npos) << proxy.log();
        } else {
            // tinyproxy refuses wrong credentials with 401, not 407: the line names what came.
            EXPECT_NE(diagnostics.find("answered CONNECT to 127.0.0.1:" + std::to_string(https->port()) +
                                       " with status 401"),
                      std::string::npos)
                << diagnostics;
        }
    }
}

TEST_F(TlsRun, AServerThatStaysSilentOrSpeaksNoTlsIsGivenUpWithinTheLimits)
{
    // An HTTP answer at once, without waiting for a request the TLS client never sends.
    Reply plain = OkReply("kein TLS");
    plain.readsRequest = false;
    const struct {
        const char* name;
        Reply reply;
        const char* diagnostic;
    } cases[] = {
        {"silent", SilentReply(), "No progress in the TLS handshake with 127.0.0.1 on port "},
        {"plain HTTP", plain, "failed: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestHttpServer server(c.reply);
        environment_.set("BRENHOLD_UPDATE_SERVER", "https://127.0.0.1:" + std::to_string(server.port()));
        const auto updater = run(pinned());
        updater->setTimeouts(kShortTimeouts);
        testing::internal::CaptureStderr();
        const auto started = std::chrono::steady_clock::now();
        updater->bringUpToDate();
        const auto took = std::chrono::steady_clock::now() - started;
        const std::string diagnostics = testing::internal::GetCapturedStderr();
        EXPECT_EQ(updater->outcome(), Updater::Outcome::ServerUnreachable);
        EXPECT_NE(diagnostics.find(c.diagnostic), std::string::npos) << diagnostics;
        EXPECT_LT(took, std::chrono::seconds(5));
        EXPECT_FALSE(fs::exists(main_ / "Corvid.exe"));
    }
}

} // namespace
