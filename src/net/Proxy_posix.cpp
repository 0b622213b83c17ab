// POSIX side of Proxy.h: the proxy variables of the environment, as curl reads them.
#include "net/Proxy.h"

#include "net/Diagnostic.h"

#include <cstdlib>
#include <set>

namespace {

// The first set variable of the names; empty when none is.
std::string FirstSet(std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return {};
}

} // namespace

ProxyAddress ProxyFor(const ServerAddress& server)
{
    const std::string value =
        server.secure ? FirstSet({"https_proxy", "HTTPS_PROXY"}) : FirstSet({"http_proxy"});
    if (value.empty() || BypassesProxy(FirstSet({"no_proxy", "NO_PROXY"}), server.host))
        return {};
    ProxyAddress proxy;
    if (!ParseProxyUrl(value, proxy)) {
        static std::set<std::string> reported;
        if (reported.insert(value).second)
            WriteDiagnostic("Ignoring the proxy \"" + value +
                            "\": expected http://[user:password@]host[:port]");
        return {};
    }
    return proxy;
}

std::string ProxyAuthenticationNote(const ProxyAddress& proxy)
{
    return proxy.credentials.empty() ? "the proxy asks for credentials, which the proxy URL does not give"
                                     : "the proxy refused the credentials of the proxy URL";
}
