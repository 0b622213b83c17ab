// Windows only, run by bench/windows under Wine: what TLS alone costs a download. Fetches
// one file from jobgate over HTTPS through the client's TLS channel (Schannel) in blocks
// of the client's size and drops every byte: no hashing or writing, and of HTTP only the
// answer's Content-Length, where the receive ends as the client's does. Prints
// "BYTES SECONDS CPU" of the answer's receive: the floor the platform's TLS sets for the
// client's download, and the processor time of it (decrypting, above all), so that what
// is left is the time spent waiting for the server and the sockets.
//
//   tls_receive_bench PORT PRODUCT PATH
#include "net/HeaderField.h"
#include "net/TcpConnection.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

// The processor time (user and kernel) this process has taken.
double ProcessorSeconds()
{
    FILETIME created{}, ended{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
        return 0;
    const auto seconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

} // namespace

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
    const double cpuBefore = ProcessorSeconds();
    if (connection.sendAll(request.data(), static_cast<int>(request.size())) < 0)
        return 1;
    // The client's block size (Updater::kDownloadBlockSize), which Schannel's channel fills
    // with as many records as have arrived.
    std::vector<char> block(256 * 1024);
    long long total = 0;
    // The server may keep the connection open for seconds after the answer (lighttpd did,
    // "Connection: close" or not): waiting for its close would measure that, not TLS.
    std::string header;
    long long answerSize = -1;
    while (answerSize < 0 || total < answerSize) {
        const int count = connection.receive(block.data(), static_cast<int>(block.size()));
        if (count <= 0)
            return 1;
        total += count;
        if (answerSize >= 0)
            continue;
        header.append(block.data(), static_cast<std::size_t>(count));
        const std::size_t end = header.find("\r\n\r\n");
        if (end == std::string::npos)
            continue;
        const std::optional<std::string> length = HeaderField(header.substr(0, end + 2), "Content-Length");
        if (!length)
            return 1;
        answerSize = static_cast<long long>(end + 4) + std::atoll(length->c_str());
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%lld %.4f %.4f\n", total, took.count(), ProcessorSeconds() - cpuBefore);
    return 0;
}
