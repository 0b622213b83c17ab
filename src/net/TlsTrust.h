#pragma once
// Which root certificates a TLS channel trusts for the server's chain.

#include <string>

struct TlsTrust {
    // PEM root certificates, the only ones trusted; empty: the system's roots.
    std::string pinnedRoots;

    // The trust built into the program: the roots BRENHOLD_TLS_ROOTS named at configure
    // time, otherwise the system's.
    static TlsTrust BuiltIn();
};
