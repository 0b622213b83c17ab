#include "net/CommandClient.h"

#include "net/Diagnostic.h"
#include "net/Proxy.h"
#include "net/UpdateServer.h"
#include "text/FormatString.h"

CommandClient::CommandClient(int command)
{
    writeOpening(command);
}

void CommandClient::resetCommand(int command)
{
    commandStream.str(std::string());
    commandStream.clear();
    writeOpening(command);
}

void CommandClient::writeOpening(int command)
{
    commandStream << clientNumber << ' ' << command << ' ';
}

CommandTarget CommandClient::commandTarget() const
{
    if (moved_)
        return *moved_;
    CommandTarget target;
    target.server = ConfiguredUpdateServer();
    if (serverHost.empty())
        serverHost = target.server.host;
    target.server.host = serverHost;
    return target;
}

void CommandClient::prepareCommandPost()
{
    requestBody = commandStream.str();
    method = "POST";
    accept = "text/plain";
    const CommandTarget target = commandTarget();
    host = target.server.host;
    port = target.server.port;
    secure = target.server.secure;
    path = target.path;
    // A proxy set by the caller stays; otherwise the one the system names for the server.
    if (proxyHost.empty() || proxyFromSystem_) {
        const ProxyAddress proxy = ProxyFor(target.server);
        proxyHost = proxy.host;
        proxyPort = proxy.port;
        proxyCredentials = proxy.credentials;
        proxyFromSystem_ = !proxy.host.empty();
    }
}

std::string CommandClient::postCommand()
{
    exchangeCommand();
    commandStream.str(body());
    commandStream.clear();
    return body();
}

void CommandClient::exchangeCommand()
{
    redirectLines_.clear();
    prepareCommandPost();
    perform();
    for (int hop = 0; IsFollowedRedirect(statusCode()) && followRedirect(hop); ++hop) {
        prepareCommandPost();
        perform();
    }
    if (statusCode() == 407 && !proxyHost.empty() && !secure)
        WriteDiagnostic(FormatString("The proxy %s on port %d answered with status 407: ", proxyHost.c_str(),
                                     static_cast<int>(proxyPort)) +
                        ProxyAuthenticationNote({proxyHost, 0, proxyCredentials}));
}

bool CommandClient::followRedirect(int hop)
{
    const CommandTarget from = commandTarget();
    CommandTarget to;
    const std::string refusal = hop >= kMostRedirects ? FormatString("more than %d redirects", kMostRedirects)
                                                      : FollowLocation(from, LocationOf(header()), to);
    if (!refusal.empty()) {
        const std::string line =
            FormatString("redirect %d from %s not followed: ", statusCode(), UrlOf(from).c_str()) + refusal;
        WriteDiagnostic("The update server's " + line);
        redirectLines_.push_back(line);
        return false;
    }
    redirectLines_.push_back(
        FormatString("redirected (%d) from %s to %s", statusCode(), UrlOf(from).c_str(), UrlOf(to).c_str()));
    moved_ = to;
    return true;
}

void CommandClient::onData(const char* bytes, int count)
{
    if (!consumeData(bytes, count))
        HttpClient::onData(bytes, count);
}

bool CommandClient::consumeData(const char*, int)
{
    return false;
}
