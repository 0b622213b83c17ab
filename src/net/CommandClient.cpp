#include "net/CommandClient.h"

#include "net/UpdateServer.h"

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

void CommandClient::prepareCommandPost()
{
    requestBody = commandStream.str();
    method = "POST";
    accept = "text/plain";
    const ServerAddress server = ConfiguredUpdateServer();
    if (serverHost.empty())
        serverHost = server.host;
    host = serverHost;
    port = server.port;
    secure = server.secure;
    path = "/cgi-bin/jobgate.cgi";
}

std::string CommandClient::postCommand()
{
    prepareCommandPost();
    perform();

    const std::string reply = body();
    commandStream.str(reply);
    commandStream.clear();
    return reply;
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
