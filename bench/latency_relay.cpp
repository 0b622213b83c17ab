// The tests' slow-link relay as a program, for benchmark scripts: relays 127.0.0.1:PORT with
// ONE_WAY_MS of delay each way and at most BYTES_PER_SECOND (0: no limit), prints the port it
// listens on and runs until its standard input ends.
// Usage: latency_relay TARGET_PORT ONE_WAY_MS BYTES_PER_SECOND
#include "LatencyRelay.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: latency_relay TARGET_PORT ONE_WAY_MS BYTES_PER_SECOND\n");
        return 2;
    }
    const long target = std::strtol(argv[1], nullptr, 10);
    if (target <= 0 || target > 65535) {
        std::fprintf(stderr, "latency_relay: no port %s\n", argv[1]);
        return 2;
    }
    LatencyRelay relay(static_cast<std::uint16_t>(target), std::chrono::milliseconds(std::strtol(argv[2], nullptr, 10)),
                       std::strtoull(argv[3], nullptr, 10));
    if (!relay.running())
        return 1;
    std::printf("%u\n", static_cast<unsigned>(relay.port()));
    std::fflush(stdout);
    char byte;
    while (::read(0, &byte, 1) > 0) {
    }
    return 0;
}
