#pragma once
// Where the update server is: the address built into the program, which the environment
// variable BRENHOLD_UPDATE_SERVER overrides; and the process-wide values of the
// work-script exchange.

#include <cstdint>
#include <string>

struct ServerAddress {
    std::string host;
    std::uint16_t port = 80;
    bool secure = false; // HTTPS instead of plain HTTP
};

// The update server's host name as the work-script exchange uses it; empty at start and
// filled from the configured address on first use.
extern std::string serverHost;

// The number that opens every command text; always 0.
extern std::int32_t clientNumber;

// Reads "host[:port]" or "http://host[:port]" (plain HTTP, port 80 when none is given) or
// "https://host[:port]" (HTTPS, port 443 when none is given), ports 1 to 65535; false,
// leaving address untouched, for anything else.
bool ParseServerAddress(const std::string& text, ServerAddress& address);

// The configured update server: the environment variable BRENHOLD_UPDATE_SERVER when it
// is set and valid (an invalid value is reported on standard error), otherwise the
// address built in.
ServerAddress ConfiguredUpdateServer();
