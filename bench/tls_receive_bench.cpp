// Windows only, run by bench/windows under Wine: what TLS alone costs a download. Fetches
// one file from jobgate over HTTPS through the client's TLS channel (Schannel) and drops
// every byte: no HTTP parsing, hashing or writing. Prints "BYTES SECONDS" of the body's
// receive, which is the floor the platform's TLS sets for the client's download.
//
//   tls_receive_bench PORT PRODUCT PATH
#include "net/TcpConnection.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: tls_receive_bench PORT PRODUCT PATH\n");
        return 2;
    }
    const auto port = static_cast<std::uint16_t>(std::atoi(argv[1]));
    // The download command of the update run: offset 0, the product and the file's path.
    std::string command = "0 16 ";
    command += std::string(argv[2]) + '\x03' + argv[3] + '\x03';
    const std::string request =
        "POST /cgi-bin/jobgate.cgi HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
        "Content-Type: text/plain\r\nContent-Length: " +
        std::to_string(command.size()) + "\r\n\r\n" + command;
    TcpConnection::startSockets();
    TcpConnection connection;
    std::string failure;
    if (!connection.open("127.0.0.1", port) || !connection.startTls("127.0.0.1", port, TlsTrust{}, failure))
        return 1;
    const auto start = std::chrono::steady_clock::now();
    if (connection.sendAll(request.data(), static_cast<int>(request.size())) < 0)
        return 1;
    std::vector<char> block(256 * 1024);
    long long total = 0;
    for (;;) {
        const int count = connection.receive(block.data(), static_cast<int>(block.size()));
        if (count < 0)
            return 1;
        if (count == 0)
            break;
        total += count;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%lld %.4f\n", total, took.count());
    return 0;
}
