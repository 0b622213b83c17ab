#pragma once
// POSIX only: signs a product of a test repository with the development key, as a maker
// signs a release with jobgate-sign.

#include <string>

// Runs "jobgate-sign sign" for ROOT/PRODUCT; false, with its output on stderr, when it fails.
bool SignProduct(const std::string& root, const std::string& product, int validDays = 365);

// The maker's tool, as built.
std::string JobgateSignProgram();

// The development key pair every preset trusts (PEM files).
std::string DevelopmentPrivateKey();
std::string DevelopmentPublicKey();
