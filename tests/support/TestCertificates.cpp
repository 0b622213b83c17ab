// POSIX side of TestCertificates.h.
#include "TestCertificates.h"

#include "ChildProcess.h"

#include <cstdio>

namespace {

const std::string kOpenSsl = "/usr/bin/openssl";
const std::string kLoopbackNames = "subjectAltName=IP:127.0.0.1,DNS:localhost";

std::vector<std::string> NewKey(bool rsa)
{
    return rsa ? std::vector<std::string>{"-newkey", "rsa:2048"}
               : std::vector<std::string>{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1"};
}

} // namespace

TestCertificates::TestCertificates()
{
    caFile_ = folder_ / "ca.pem";
    std::vector<std::string> argv = {kOpenSsl,  "req",
                                     "-x509",   "-nodes",
                                     "-days",   "30",
                                     "-subj",   "/CN=Brenhold Test CA",
                                     "-keyout", folder_ / "ca.key",
                                     "-out",    caFile_};
    const std::vector<std::string> key = NewKey(false);
    argv.insert(argv.begin() + 3, key.begin(), key.end());
    ok_ = make(argv);
}

bool TestCertificates::make(const std::vector<std::string>& argv)
{
    const ProcessResult result = RunProcess(argv);
    if (result.exitCode != 0)
        std::fprintf(stderr, "TestCertificates: %s failed: %s\n", argv[1].c_str(), result.err.c_str());
    return result.exitCode == 0;
}

ServerCertificate TestCertificates::server(Kind kind)
{
    static const char* const kNames[] = {"good",       "good-rsa", "expired",
                                         "wrong-host", "other-ca", "self-signed"};
    const std::string name = kNames[static_cast<int>(kind)];
    const ServerCertificate made{folder_ / (name + ".pem"), folder_ / (name + ".key")};
    if (std::filesystem::exists(made.certFile))
        return made;
    const std::vector<std::string> key = NewKey(kind == Kind::goodRsa);
    const std::string names = kind == Kind::wrongHost ? "subjectAltName=DNS:updates.example" : kLoopbackNames;
    if (kind == Kind::selfSigned) {
        std::vector<std::string> argv = {kOpenSsl,  "req",        "-x509",         "-nodes",     "-days",
                                         "30",      "-subj",      "/CN=localhost", "-addext",    names,
                                         "-keyout", made.keyFile, "-out",          made.certFile};
        argv.insert(argv.begin() + 3, key.begin(), key.end());
        return make(argv) ? made : ServerCertificate{};
    }
    std::string ca = caFile_;
    std::string caKey = folder_ / "ca.key";
    if (kind == Kind::otherCa) {
        ca = folder_ / "untrusted-root.pem";
        caKey = folder_ / "untrusted-root.key";
        std::vector<std::string> argv = {kOpenSsl, "req",          "-x509",   "-nodes", "-days", "30",
                                         "-subj",  "/CN=Other CA", "-keyout", caKey,    "-out",  ca};
        argv.insert(argv.begin() + 3, key.begin(), key.end());
        if (!make(argv))
            return {};
    }
    const std::string request = folder_ / (name + ".csr");
    std::vector<std::string> argv = {kOpenSsl,  "req",        "-nodes", "-subj", "/CN=localhost",
                                     "-keyout", made.keyFile, "-out",   request};
    argv.insert(argv.begin() + 3, key.begin(), key.end());
    const std::string extensions = folder_ / (name + ".ext");
    if (!make(argv) || !WriteFileBytes(extensions, names + "\n"))
        return {};
    // -days -1 ends the validity a day before now.
    const std::string days = kind == Kind::expired ? "-1" : "30";
    return make({kOpenSsl, "x509", "-req", "-in", request, "-CA", ca, "-CAkey", caKey, "-CAcreateserial",
                 "-days", days, "-extfile", extensions, "-out", made.certFile})
               ? made
               : ServerCertificate{};
}
