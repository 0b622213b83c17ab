// The public keys built into the program (see cmake/TrustedKeys.cmake).
#include "update/ListingTrust.h"

#include <iostream>

ListingTrust ListingTrust::BuiltIn()
{
    static constexpr char kTrustedKeys[] =
#include "TrustedKeysPem.inc"
        ;
    if (kTrustedKeys[0] == '\0')
        return ListingTrust();
    // Keys that cannot be read trust nothing: the client never falls back to unsigned.
    std::vector<EcPublicKey> keys = ParsePublicKeysPem(kTrustedKeys);
    if (keys.empty())
        std::cerr << "The built-in trusted keys cannot be read" << std::endl;
    return ListingTrust(std::move(keys));
}
