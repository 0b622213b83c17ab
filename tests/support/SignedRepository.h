#pragma once
// POSIX only: signs a product of a test repository with the development key, as a maker
// signs a release with jobgate-sign.

#include <cstdint>
#include <string>
#include <vector>

// Runs "jobgate-sign sign" for ROOT/PRODUCT, with further options when given; false, with
// its output on stderr, when it fails.
bool SignProduct(const std::string& root, const std::string& product, int validDays = 365,
                 const std::vector<std::string>& options = {});

// The maker's tool, as built.
std::string JobgateSignProgram();

// The development key pair every preset trusts (PEM files).
std::string DevelopmentPrivateKey();
std::string DevelopmentPublicKey();

struct SignedFile {
    std::string path; // as listed
    std::uint32_t time;
    std::string bytes;
};

// A signed listing of the files as jobgate-sign writes one, signed here with the
// development key, for test servers that answer the listing request themselves.
std::string SignedListingOf(const std::string& product, const std::vector<SignedFile>& files,
                            std::uint64_t serial = 1000);
