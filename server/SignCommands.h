#pragma once
// The commands of jobgate-sign, the maker's tool that signs each release of a product.
// Each returns the program's exit code.

#include "ReleasePayloads.h"

#include <cstdint>
#include <string>

inline constexpr int kExitDone = 0;
// sign and keygen: nothing was written (but for a signed listing whose serial mark could not be
// written, which standard error says); check: differences
inline constexpr int kExitFailed = 1;
inline constexpr int kExitCannotRun = 2; // wrong usage, or check could not look at all

// Writes a new P-256 private key to privatePath (mode 0600, never over an existing file) and
// prints its public key as PEM on standard output.
int RunKeygen(const std::string& privatePath);

struct SignRequest {
    std::string keyPath;
    std::uint64_t validDays = 365;
    std::string root;
    std::string product; // the product folder's name (UTF-8)
    std::string version; // the release's version for the header's "version=" word; empty: none
    // A listed file of the release that is the client's next version (UTF-8, "./" optional):
    // the header word client=PATH. Empty: none.
    std::string clientPath;
    // The header word start=client: the shortcuts start the product through the client.
    bool startThroughClient = false;
    // Compressed forms and patches for the payload store beside the listing.
    PayloadRequest payloads;
    // The header word payloads=ADDRESS: where clients fetch payloads with a plain GET. Empty: none.
    std::string payloadAddress;
};

// Hashes every file of root/product as command 15 lists it and replaces
// root/product.brenhold-listing, at once, by their listing signed with the key, its serial one
// above both the listing it replaces and root/product.brenhold-serial, the highest serial ever
// signed, which then takes the new one, with the header words asked for (a client path must
// name a listed file). With payloads asked for, it first writes each file's compressed form and
// patches from the older releases into root/product.brenhold-payload/ and names them in the
// listing; after the listing is in place, the store keeps only what it names. Refuses while another signing of the product holds
// root/product.brenhold-lock. Prints one line: product, serial, expiry, key id, file count.
int RunSign(const SignRequest& request);

// Verifies root/product.brenhold-listing with the public key and compares it with the folder.
// Prints one line per difference and returns kExitFailed, or one line saying all is well.
int RunCheck(const std::string& publicKeyPath, const std::string& root, const std::string& product);
