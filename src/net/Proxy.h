#pragma once
// The proxy a request goes through. On POSIX the environment names it the way curl reads
// it: https_proxy (or HTTPS_PROXY) for https servers, http_proxy for http servers (never
// HTTP_PROXY, which a CGI program's environment takes from a request header), and no_proxy
// (or NO_PROXY) for the servers reached directly. On Windows the current user's Internet
// settings name it: an automatic configuration (script or WPAD) or the proxy set by hand,
// with the bypass list.

#include "net/UpdateServer.h"

#include <cstdint>
#include <string>

struct ProxyAddress {
    std::string host; // empty: no proxy, the server is reached directly
    std::uint16_t port = 1080;
    std::string credentials; // "user:password" from the proxy URL, for Basic; empty for none
};

// Reads "[http://][user[:password]@]host[:port][/]" (port 1080 when none is given, as curl
// takes it; %XX in the user information decoded); false, leaving proxy untouched, for
// anything else.
bool ParseProxyUrl(const std::string& text, ProxyAddress& proxy);

// Whether no_proxy's list (entries separated by commas, "*" for every host) names host:
// the host itself or a domain it lies in, letter case aside; addresses only themselves.
bool BypassesProxy(const std::string& noProxy, const std::string& host);

// The proxy for server; an empty host when there is none or the server is bypassed. A
// value that cannot be read is reported on standard error once and taken as none.
ProxyAddress ProxyFor(const ServerAddress& server);

// The header line "Proxy-Authorization: Basic ..." for the proxy's credentials; empty when
// it has none.
std::string ProxyAuthorizationLine(const ProxyAddress& proxy);

// What a proxy's answer 407 (authentication required) means for this client, for the
// diagnostic: Basic with the proxy URL's credentials on POSIX; none on Windows.
std::string ProxyAuthenticationNote(const ProxyAddress& proxy);
