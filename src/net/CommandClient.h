#pragma once
// The work-script exchange: a command text (client number, command number, fields ended
// by byte 03) is collected in commandStream and posted to the update server's script;
// the reply comes back as a byte string and as the new content of commandStream.

#include "net/HttpClient.h"
#include "net/Redirect.h"

#include <optional>
#include <sstream>
#include <string>
#include <vector>

class CommandClient : public HttpClient {
public:
    // An empty command stream; the base of classes that start their commands later.
    CommandClient() = default;

    // A command stream opened with the client number and command.
    explicit CommandClient(int command);

    // Discards the stream's content and opens it again with the client number and command.
    void resetCommand(int command);

    // Fills the request fields for a post of the command text to the command target,
    // through the proxy the system names for it unless the caller set one; request() then
    // gives the bytes postCommand sends.
    void prepareCommandPost();

    // Posts the command text to the command target and returns the reply body, which
    // also becomes the content of commandStream, readable from its first byte. A failed
    // exchange gives an empty reply. A redirect (at most kMostRedirects of them) posts the
    // same text again at its Location and moves the command target there; one it does not
    // follow ends the post with the redirect's answer and a line on standard error.
    std::string postCommand();

    // Posts the command text as postCommand does, but leaves the reply in body() only:
    // commandStream keeps the command text. For a large reply that is read once, such as a
    // listing, this spares two copies of it.
    void exchangeCommand();

    // Where command texts go: the work script on the configured update server, until a
    // redirect or moveTo moves it.
    CommandTarget commandTarget() const;
    void moveTo(const CommandTarget& target) { moved_ = target; }

    // One line for each redirect the last postCommand met, followed or not.
    const std::vector<std::string>& redirectLines() const { return redirectLines_; }

    // The command text; fields are appended with WriteField.
    std::stringstream commandStream;

    // Slot 0 for this level and every level below: offers the bytes to consumeData and
    // keeps them in the response body only when it did not take them.
    void onData(const char* bytes, int count) final;

    // Slot 1: true when the bytes were taken and must not go into the response body. This
    // level takes nothing, so the whole reply is kept. The update run's class overrides it
    // to write downloads to their file, and adds the progress slots setStatusText,
    // setProgressRange and setProgressPos as virtual functions of its own, which its
    // dialog overrides in turn.
    virtual bool consumeData(const char* bytes, int count);

private:
    void writeOpening(int command);
    // Follows the redirect of the last answer from hop (the redirects so far); false when
    // it is not followed.
    bool followRedirect(int hop);

    std::optional<CommandTarget> moved_;
    bool proxyFromSystem_ = false; // the proxy fields hold what ProxyFor named
    std::vector<std::string> redirectLines_;
};
