#include "net/HttpClient.h"

#include "net/ChunkedDecoder.h"
#include "net/Diagnostic.h"
#include "net/HeaderField.h"
#include "net/PaceMeter.h"
#include "net/Proxy.h"
#include "text/FormatString.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace {

// The search text of the charset test, matched exactly and case-sensitively.
constexpr char kUtf8Marker[] = "charset=UTF-8";
// The most a kept body reserves ahead of its bytes.
constexpr std::uint64_t kLargestReservedBody = 32ull * 1024 * 1024;

char FoldedByte(unsigned char second)
{
    switch (second) {
    case 0x84:
        return '\xC4';
    case 0x96:
        return '\xD6';
    case 0x9C:
        return '\xDC';
    case 0x9F:
        return '\xDF';
    case 0xA4:
        return '\xE4';
    case 0xA8:
        return '\xE8';
    case 0xA9:
        return '\xE9';
    case 0xB6:
        return '\xF6';
    case 0xBC:
        return '\xFC';
    default:
        return 'X';
    }
}

// A source that gives up once the slow-link rule ends the response.
class PacedSource final : public ByteSource {
public:
    PacedSource(ByteSource& source, const Timeouts& limits)
        : source_(source), meter_(limits, PaceMeter::Clock::now())
    {}

    int receive(char* buffer, int size) override
    {
        if (tooSlow_)
            return -1;
        const int count = source_.receive(buffer, size);
        if (!meter_.keepsPace(count > 0 ? static_cast<std::uint64_t>(count) : 0, PaceMeter::Clock::now())) {
            tooSlow_ = true;
            return -1;
        }
        return count;
    }

private:
    ByteSource& source_;
    PaceMeter meter_;
    bool tooSlow_ = false;
};

} // namespace

int StatusCodeOf(const std::string& header)
{
    const std::string prefix = "HTTP/";
    if (header.compare(0, prefix.size(), prefix) != 0)
        return 0;
    const std::size_t space = header.find(' ');
    if (space == std::string::npos || header.find('\n') < space || header.size() < space + 4)
        return 0;
    int code = 0;
    for (std::size_t i = space + 1; i < space + 4; ++i) {
        const unsigned char c = static_cast<unsigned char>(header[i]);
        if (!std::isdigit(c))
            return 0;
        code = code * 10 + (c - '0');
    }
    if (header.size() > space + 4 && header[space + 4] != ' ' && header[space + 4] != '\r')
        return 0;
    return code;
}

int HttpClient::perform()
{
    responseBody.clear();
    status = 0;
    failure_.clear();

    TcpConnection::startSockets();
    const bool viaProxy = !proxyHost.empty();
    const std::string& target = viaProxy ? proxyHost : host;
    const std::int32_t targetPort = viaProxy ? proxyPort : port;
    if (!connection.open(target.c_str(), static_cast<std::uint16_t>(targetPort)))
        return 4;
    if (secure && viaProxy && !openTunnel()) {
        connection.close();
        return 4;
    }
    if (secure && !connection.startTls(host, static_cast<std::uint16_t>(port), tlsTrust, failure_)) {
        connection.close();
        return 4;
    }

    const std::string bytes = request();
    if (connection.sendAll(bytes.data(), static_cast<int>(bytes.size())) == -1) {
        connection.close();
        return 7;
    }
    readResponse(connection);
    connection.close();
    return 0;
}

std::string HttpClient::request() const
{
    return formFields.empty() ? plainRequest() : multipartRequest();
}

std::string HttpClient::connectRequest() const
{
    const std::string target = FormatString("%s:%d", host.c_str(), static_cast<int>(port));
    return FormatString("CONNECT %s HTTP/1.1\r\nHost: %s\r\nUser-Agent: %s\r\n%s\r\n", target.c_str(),
                        target.c_str(), userAgent.c_str(), proxyAuthorizationLine().c_str());
}

bool HttpClient::openTunnel()
{
    const std::string bytes = connectRequest();
    if (connection.sendAll(bytes.data(), static_cast<int>(bytes.size())) == -1)
        return false;
    // The proxy's answer goes into the response fields, so that a refusal shows as its status.
    const bool complete = readHeader(connection);
    status = StatusCodeOf(responseHeader);
    if (complete && status == 200)
        return true;
    failure_ =
        FormatString("The proxy %s on port %d answered CONNECT to %s:%d with status %d", proxyHost.c_str(),
                     static_cast<int>(proxyPort), host.c_str(), static_cast<int>(port), status);
    if (status == 407)
        failure_ += ": " + ProxyAuthenticationNote({proxyHost, 0, proxyCredentials});
    WriteDiagnostic(failure_);
    return false;
}

std::string HttpClient::proxyAuthorizationLine() const
{
    return proxyHost.empty() ? std::string() : ProxyAuthorizationLine({proxyHost, 0, proxyCredentials});
}

void HttpClient::readResponse(ByteSource& input)
{
    responseBody.clear();
    PacedSource source(input, timeouts());
    const bool complete = readHeader(source);
    status = StatusCodeOf(responseHeader);
    // After an incomplete header the rest of the stream is not a body: an over-long
    // header may still be arriving.
    if (complete) {
        std::vector<char> block(
            static_cast<std::size_t>(receiveBlockSize > 0 ? receiveBlockSize : kBodyBlockSize));
        std::optional<ChunkedDecoder> chunked;
        if (DeclaresChunked(responseHeader))
            chunked.emplace();
        std::uint64_t received = 0;
        bool cancelled = false;
        while (received <= bodyLimit) {
            int count = source.receive(block.data(), static_cast<int>(block.size()));
            if (count <= 0)
                break;
            if (chunked)
                count = static_cast<int>(chunked->decode(block.data(), static_cast<std::size_t>(count)));
            if (count > 0) {
                received += static_cast<std::uint64_t>(count);
                onData(block.data(), count);
            }
            if (chunked && (chunked->done() || chunked->failed()))
                break;
            if (waitObserver_ != nullptr) {
                waitObserver_->idle();
                cancelled = waitObserver_->transferCancelled();
                if (cancelled)
                    break;
            }
        }
        // A chunked body that is out of form or ends before its last chunk is no body:
        // like a cut one, it must not be taken for the whole answer.
        if (chunked && !chunked->done() && !cancelled) {
            WriteDiagnostic(std::string("The chunked answer from ") + host +
                            (chunked->failed() ? " is malformed" : " ended before its last chunk"));
            responseBody.clear();
        }
    }
    if (foldsCharset && declaresUtf8())
        foldUtf8(responseBody);
}

bool HttpClient::declaresUtf8() const
{
    return responseHeader.find(kUtf8Marker) != std::string::npos ||
           responseBody.find(kUtf8Marker) != std::string::npos;
}

bool HttpClient::readHeader(ByteSource& source)
{
    responseHeader.clear();
    // One byte per receive, so the first body byte stays in the stream.
    while (responseHeader.size() < kResponseHeaderLimit) {
        char byte = 0;
        if (source.receive(&byte, 1) <= 0)
            return false;
        responseHeader += byte;
        if (responseHeader.ends_with("\r\n\r\n"))
            return true;
    }
    return false;
}

void HttpClient::onData(const char* bytes, int count)
{
    // A large kept body (a listing) is received into one allocation of its declared
    // length, not copied on as it grows. A length that is a lie costs at most
    // kLargestReservedBody of address space.
    if (responseBody.empty()) {
        if (const std::optional<std::uint64_t> length = DeclaredContentLength(responseHeader))
            responseBody.reserve(static_cast<std::size_t>(std::min({*length, bodyLimit, kLargestReservedBody})));
    }
    responseBody.append(bytes, static_cast<std::size_t>(count));
}

int HttpClient::foldUtf8(std::string& text)
{
    const std::string work = std::move(text);
    text.clear();
    text.reserve(work.size());
    bool pending = false;
    for (const char c : work) {
        if (c == '\xC3') {
            pending = true;
            continue;
        }
        text += pending ? FoldedByte(static_cast<unsigned char>(c)) : c;
        pending = false;
    }
    return static_cast<int>(text.size());
}

std::string HttpClient::requestTarget() const
{
    // Through a tunnel the request goes to the server as if directly.
    if (proxyHost.empty() || secure)
        return path.c_str();
    return FormatString("%s://%s%s", secure ? "https" : "http", hostValue().c_str(), path.c_str());
}

std::string HttpClient::refererLine() const
{
    if (referer.empty())
        return {};
    return FormatString("Referer: %s\r\n", referer.c_str());
}

std::string HttpClient::hostValue() const
{
    if (port == (secure ? 443 : 80))
        return FormatString("%s", host.c_str());
    return FormatString("%s:%d", host.c_str(), static_cast<int>(port));
}

std::string HttpClient::rangeLine() const
{
    if (range.empty())
        return {};
    return FormatString("Range: %s\r\n", range.c_str());
}

std::string HttpClient::plainRequest() const
{
    const std::string contentHeaders =
        requestBody.empty() ? std::string()
                            : FormatString("Content-Length: %d\r\nContent-Type: text/plain\r\n",
                                           static_cast<int>(requestBody.size()));
    // The body goes out as counted bytes, so the Content-Length always matches it.
    const std::string authorization = secure ? std::string() : proxyAuthorizationLine();
    return FormatString("%s %s HTTP/1.1\r\nAccept: %s\r\n%sAccept-Language: de\r\nUser-Agent: %s\r\nHost: "
                        "%s\r\n%s%sConnection: Close\r\n%s\r\n",
                        method.c_str(), requestTarget().c_str(), accept.c_str(), refererLine().c_str(),
                        userAgent.c_str(), hostValue().c_str(), authorization.c_str(), rangeLine().c_str(),
                        contentHeaders.c_str()) +
           requestBody;
}
