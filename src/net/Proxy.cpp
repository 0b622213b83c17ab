#include "net/Proxy.h"

#include "crypto/Base64.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// %XX decoded; false for a broken escape.
bool PercentDecoded(const std::string& text, std::string& decoded)
{
    decoded.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size() || HexDigit(text[i + 1]) < 0 || HexDigit(text[i + 2]) < 0)
            return false;
        decoded += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
        i += 2;
    }
    return true;
}

} // namespace

bool ParseProxyUrl(const std::string& text, ProxyAddress& proxy)
{
    std::string rest = text;
    if (Lower(rest.substr(0, 7)) == "http://")
        rest.erase(0, 7);
    else if (rest.find("://") != std::string::npos)
        return false; // another scheme: a proxy spoken to over TLS or SOCKS is not supported
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    ProxyAddress parsed;
    const std::size_t at = rest.rfind('@');
    if (at != std::string::npos) {
        if (!PercentDecoded(rest.substr(0, at), parsed.credentials) || parsed.credentials.empty())
            return false;
        rest.erase(0, at + 1);
    }
    ServerAddress server;
    if (!ParseServerAddress(rest, server))
        return false;
    parsed.host = server.host;
    parsed.port = rest.find(':') == std::string::npos ? std::uint16_t{1080} : server.port;
    proxy = parsed;
    return true;
}

bool BypassesProxy(const std::string& noProxy, const std::string& host)
{
    const std::string name = Lower(host);
    std::size_t start = 0;
    while (start <= noProxy.size()) {
        const std::size_t comma = std::min(noProxy.find(',', start), noProxy.size());
        std::string entry = noProxy.substr(start, comma - start);
        start = comma + 1;
        const std::size_t first = entry.find_first_not_of(" \t");
        if (first == std::string::npos)
            continue;
        entry = Lower(entry.substr(first, entry.find_last_not_of(" \t") - first + 1));
        if (entry == "*")
            return true;
        if (entry.front() == '.')
            entry.erase(0, 1);
        if (name == entry || (name.size() > entry.size() && name.ends_with(entry) &&
                              name[name.size() - entry.size() - 1] == '.'))
            return true;
    }
    return false;
}

std::string ProxyAuthorizationLine(const ProxyAddress& proxy)
{
    if (proxy.credentials.empty())
        return {};
    return "Proxy-Authorization: Basic " + EncodeBase64(proxy.credentials) + "\r\n";
}
