#pragma once
// One HTTP/1.1 exchange per TCP connection: the request is formatted here and sent whole,
// the response header is read byte by byte up to its empty line, and the body is handed
// block by block to onData until the server closes the connection (or, for a chunked
// body, until its last chunk).
//
// Observer slots: a class that wants the received bytes derives from the client family
// and overrides them. Level 1 (this class) introduces onData; level 2 (CommandClient)
// overrides it and introduces consumeData; a level 3 class may override consumeData and
// add its own progress slots.

#include "net/ByteSource.h"
#include "net/TcpConnection.h"
#include "net/Timeouts.h"
#include "net/TlsTrust.h"
#include "net/WaitObserver.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

// The longest response header read; a longer one ends the exchange as an incomplete one.
inline constexpr std::size_t kResponseHeaderLimit = 64 * 1024;

// The size of the blocks the body is received in, unless a caller sets another.
inline constexpr int kBodyBlockSize = 4096;

// The most body bytes an exchange takes unless a caller expects more: a reply kept in
// memory cannot exhaust it, however long the server goes on sending.
inline constexpr std::uint64_t kInMemoryBodyLimit = 256ull * 1024 * 1024;

// The code in "HTTP/<version> <three digits>" at the start of a response header; 0 otherwise.
int StatusCodeOf(const std::string& header);

class HttpClient {
public:
    HttpClient() = default;
    virtual ~HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Request fields: callers set them before perform. Text fields end at a zero byte.
    std::string method = "GET";
    std::string requestBody; // sent after the header as text/plain, when not empty
    std::string userAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; .NET CLR 1.1.4322)";
    std::string accept = "*/*";
    std::string referer; // no Referer header when empty
    std::string host;    // the server, also the Host header
    std::string path;    // begins with "/"
    std::string range;   // a Range header ("bytes=N-") when not empty
    std::int32_t port = 80;
    bool secure = false;                     // HTTPS: the exchange runs over TLS
    TlsTrust tlsTrust = TlsTrust::BuiltIn(); // the roots a secure exchange trusts
    // When set, the connection goes here: a plain request names its absolute target, a
    // secure one goes through a tunnel the proxy opens for CONNECT.
    std::string proxyHost;
    std::int32_t proxyPort = 80;
    std::string proxyCredentials; // "user:password" for the proxy's Basic authentication
    // When not empty, a multipart/form-data request is sent instead of the plain one.
    std::vector<std::pair<std::string, std::string>> formFields;
    std::stringstream picture; // picture bytes for the multipart request
    // The body phase ends as soon as more than this many body bytes have arrived.
    std::uint64_t bodyLimit = kInMemoryBodyLimit;
    // The most bytes one receive takes and hands to onData. A caller that writes large
    // bodies straight to disk raises it: fewer, larger receives and writes.
    int receiveBlockSize = kBodyBlockSize;
    // False keeps the body exactly as received, whatever charset it declares: a signed
    // listing is checked byte for byte.
    bool foldsCharset = true;

    // Runs one exchange: 0 when it ran (whatever the server answered), 4 when the
    // connection could not be opened, 7 when the request could not be sent.
    int perform();

    // The request bytes perform sends, formatted from the request fields.
    std::string request() const;

    // The CONNECT request that asks the proxy for a tunnel to host and port.
    std::string connectRequest() const;

    // The response phases of perform, from any byte source: the header up to its empty
    // line (at most kResponseHeaderLimit bytes), then, when it was complete, the body
    // through onData until the source ends or the wait observer cancels the transfer
    // (checked after each block, after its idle call), then the charset fold of the body.
    // A chunked body is decoded on the way; when it is malformed or cut, the response
    // body is emptied (onData has seen what came before).
    void readResponse(ByteSource& source);

    // The response body: every body byte onData kept.
    const std::string& body() const { return responseBody; }

    // The last response header exactly as received, empty line included.
    const std::string& header() const { return responseHeader; }

    // The status code of the last response's status line; 0 when there was none.
    int statusCode() const { return status; }

    // Why the last exchange got no answer over TLS (the line written to standard error);
    // empty when it did, or when it failed otherwise.
    const std::string& failure() const { return failure_; }

    // Whether the last response declared the UTF-8 charset in its header or body, which
    // folds the body unless foldsCharset is false.
    bool declaresUtf8() const;

    const Timeouts& timeouts() const { return connection.timeouts(); }
    void setTimeouts(const Timeouts& timeouts) { connection.setTimeouts(timeouts); }

    // The observer called while an exchange waits and between body blocks; null for none.
    // It is not owned.
    void setWaitObserver(WaitObserver* observer)
    {
        waitObserver_ = observer;
        connection.setWaitObserver(observer);
    }

    // Folds the two-byte UTF-8 sequences that begin with C3 into Windows-1252: the German
    // letters and è é map to their code points, any other second byte to 'X'; a trailing
    // C3 is dropped and every other byte is kept. Returns the new length.
    static int foldUtf8(std::string& text);

    // Slot 0: receives every body block (1 to receiveBlockSize bytes) in arrival order; this level
    // appends it to the response body.
    virtual void onData(const char* bytes, int count);

private:
    std::string plainRequest() const;
    std::string multipartRequest() const;
    std::string requestTarget() const;
    std::string refererLine() const;
    std::string rangeLine() const;
    std::string hostValue() const;
    bool readHeader(ByteSource& source);
    std::string proxyAuthorizationLine() const;
    // Asks the proxy for a tunnel over the open connection; false (reported) when it did
    // not answer 200.
    bool openTunnel();

    TcpConnection connection;
    WaitObserver* waitObserver_ = nullptr;
    std::string responseHeader;
    std::string responseBody;
    int status = 0;
    std::string failure_;
};
