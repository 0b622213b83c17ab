#include "net/UpdateServer.h"

#include "net/Diagnostic.h"

#include <cctype>
#include <cstdlib>

std::string serverHost;
std::int32_t clientNumber = 0;

namespace {

// Whether text begins with prefix, letter case aside (a scheme is case-insensitive).
bool StartsWithFolded(const std::string& text, const std::string& prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

} // namespace

bool ParseServerAddress(const std::string& text, ServerAddress& address)
{
    bool secure = false;
    std::size_t start = 0;
    if (StartsWithFolded(text, "https://")) {
        secure = true;
        start = 8;
    } else if (StartsWithFolded(text, "http://")) {
        start = 7;
    }
    const std::size_t colon = text.find(':', start);
    const std::string host =
        text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (host.empty() || host.find_first_of(" \t\r\n/@?#") != std::string::npos)
        return false;
    unsigned port = secure ? 443 : 80;
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
    address.secure = secure;
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
                        ": expected host[:port], http://host[:port] or https://host[:port]");
    }
    // The build checks the built-in value, so it always parses.
    ParseServerAddress(BRENHOLD_UPDATE_SERVER, address);
    return address;
}
