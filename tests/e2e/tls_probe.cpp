// Opens two TLS connections one after the other to 127.0.0.1 on PORT, the chain checked
// against the roots in ROOTS.pem alone (or the system's with "-"), for the end-to-end
// script: prints "full" or "resumed" for each handshake, or the reason it failed (exit
// code 1).
//
//   tls_probe PORT ROOTS.pem|-
#include "net/TcpConnection.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: tls_probe PORT ROOTS.pem|-\n");
        return 2;
    }
    const auto port = static_cast<std::uint16_t>(std::atoi(argv[1]));
    TlsTrust trust;
    if (std::string(argv[2]) != "-") {
        std::ifstream roots(argv[2], std::ios::binary);
        std::ostringstream pem;
        pem << roots.rdbuf();
        trust.pinnedRoots = pem.str();
        if (!roots || trust.pinnedRoots.empty()) {
            std::fprintf(stderr, "tls_probe: %s cannot be read\n", argv[2]);
            return 2;
        }
    }
    TcpConnection::startSockets();
    for (int i = 0; i < 2; ++i) {
        TcpConnection connection;
        std::string failure;
        if (!connection.open("127.0.0.1", port) || !connection.startTls("127.0.0.1", port, trust, failure)) {
            std::printf("%s\n", failure.c_str());
            return 1;
        }
        std::printf("%s\n", connection.tlsResumed() ? "resumed" : "full");
    }
    return 0;
}
