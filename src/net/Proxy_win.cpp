// Windows side of Proxy.h: this client does not read the user's Internet settings yet, so
// every server is reached directly, as before proxies were read at all.
#include "net/Proxy.h"

ProxyAddress ProxyFor(const ServerAddress&)
{
    return {};
}
