#include "TestSigner.h"

#include "crypto/Signature.h"

std::string SignForTest(const std::string& privateKeyPem, std::string_view message)
{
    // Half of all signatures come with a high s, which the client refuses; each new one is
    // random, so signing again gives a low one soon (64 tries fail once in 2^64).
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::string signature = SignOnceForTest(privateKeyPem, message);
        if (signature.empty() || ParseDerSignature(signature))
            return signature;
    }
    return {};
}
