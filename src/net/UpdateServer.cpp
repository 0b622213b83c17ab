#include "net/UpdateServer.h"

#include "net/Diagnostic.h"

#include <cstdlib>

std::string serverHost;
std::int32_t clientNumber = 0;

bool ParseServerAddress(const std::string& text, ServerAddress& address)
{
    const std::size_t colon = text.find(':');
    const std::string host = text.substr(0, colon);
    if (host.empty() || host.find_first_of(" \t\r\n/") != std::string::npos)
        return false;
    unsigned port = 80;
    if (colon != std::string::npos) {
        const std::string digits = text.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        port = 0;
        for (const char digit : digits)
            port = port * 10 + static_cast<unsigned>(digit - '0');
        if (port == 0 || port > 65535)
            return false;
    }
    address.host = host;
    address.port = static_cast<std::uint16_t>(port);
    return true;
}

ServerAddress ConfiguredUpdateServer()
{
    ServerAddress address;
    const char* overridden = std::getenv("BRENHOLD_UPDATE_SERVER");
    if (overridden != nullptr && *overridden != '\0') {
        if (ParseServerAddress(overridden, address))
            return address;
        WriteDiagnostic(std::string("Ignoring BRENHOLD_UPDATE_SERVER=") + overridden +
                        ": expected host or host:port");
    }
    // The build checks the built-in value, so it always parses.
    ParseServerAddress(BRENHOLD_UPDATE_SERVER, address);
    return address;
}
