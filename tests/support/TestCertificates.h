#pragma once
// POSIX only: a test CA and server certificates made with the openssl program in a
// temporary folder at test time: good ones for 127.0.0.1 and localhost (ECDSA and RSA), and
// the kinds a client must refuse.

#include "TempDir.h"

#include <string>
#include <vector>

// A certificate chain and its key, as PEM files.
struct ServerCertificate {
    std::string certFile;
    std::string keyFile;
};

class TestCertificates {
public:
    // Makes the CA; ok() says whether openssl managed.
    TestCertificates();

    bool ok() const { return ok_; }

    // The CA's certificate: the root a client is to trust.
    const std::string& caFile() const { return caFile_; }
    std::string caPem() const { return ReadFileBytes(caFile_); }

    enum class Kind {
        good,       // by the CA, for 127.0.0.1 and localhost, ECDSA P-256
        goodRsa,    // the same with an RSA key
        expired,    // by the CA, its validity over since yesterday
        wrongHost,  // by the CA, for another host only
        otherCa,    // for 127.0.0.1 and localhost, by a CA nobody trusts
        selfSigned, // for 127.0.0.1 and localhost, signed by itself
    };

    // The certificate of that kind, made on first use; empty file names when openssl failed.
    ServerCertificate server(Kind kind);

private:
    bool make(const std::vector<std::string>& argv);

    TempDir folder_;
    std::string caFile_;
    bool ok_ = false;
};
