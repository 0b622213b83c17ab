#include "support/TestHttpServer.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace {

using std::chrono::milliseconds;

// The slice every wait of the server thread is cut into, so it notices stop quickly.
constexpr milliseconds kSlice{20};
// How long the server waits for a complete request.
constexpr milliseconds kRequestLimit{5000};

std::string Header(int status, const std::string& reason, const std::string& extra)
{
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n" + extra + "Connection: close\r\n\r\n";
}

std::string WithLength(int status, const std::string& reason, const std::string& body,
                       const std::string& contentType)
{
    return Header(status, reason,
                  "Content-Type: " + contentType + "\r\nContent-Length: " + std::to_string(body.size()) +
                      "\r\n") +
           body;
}

// The value of the Content-Length header in head, 0 when there is none.
std::size_t ContentLength(const std::string& head)
{
    std::string lower = head;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string name = "\r\ncontent-length:";
    const std::size_t at = lower.find(name);
    if (at == std::string::npos)
        return 0;
    return static_cast<std::size_t>(std::strtoul(lower.c_str() + at + name.size(), nullptr, 10));
}

} // namespace

Reply OkReply(const std::string& body, const std::string& contentType)
{
    Reply reply;
    reply.bytes = WithLength(200, "OK", body, contentType);
    return reply;
}

Reply StatusReply(int status, const std::string& reason, const std::string& body)
{
    Reply reply;
    reply.bytes = WithLength(status, reason, body, "text/html");
    return reply;
}

Reply RedirectReply(int status, const std::string& location)
{
    Reply reply;
    reply.bytes = WithLength(status, "Moved", "<a href=\"" + location + "\">moved</a>", "text/html");
    reply.bytes.insert(reply.bytes.find("\r\n") + 2, "Location: " + location + "\r\n");
    return reply;
}

Reply ChunkedReply(const std::vector<std::string>& chunks)
{
    Reply reply;
    reply.bytes = Header(200, "OK", "Content-Type: text/plain\r\nTransfer-Encoding: chunked\r\n");
    for (const std::string& chunk : chunks) {
        std::ostringstream size;
        size << std::hex << chunk.size() << "\r\n";
        reply.bytes += size.str() + chunk + "\r\n";
    }
    reply.bytes += "0\r\n\r\n";
    return reply;
}

Reply Rechunked(Reply reply, std::size_t chunkSize)
{
    const std::size_t headerEnd = reply.bytes.find("\r\n\r\n") + 2;
    std::string header = reply.bytes.substr(0, headerEnd);
    const std::string body = reply.bytes.substr(headerEnd + 2);
    const std::size_t length = header.find("Content-Length: ");
    header.erase(length, header.find("\r\n", length) + 2 - length);
    header += "Transfer-Encoding: chunked\r\n\r\n";
    std::string chunks;
    for (std::size_t at = 0; at < body.size(); at += chunkSize) {
        const std::string chunk = body.substr(at, chunkSize);
        std::ostringstream size;
        size << std::hex << chunk.size() << (at == 0 ? ";name=\"value\"" : "") << "\r\n";
        chunks += size.str() + chunk + "\r\n";
    }
    reply.bytes = header + chunks + "0\r\nX-Checksum: none\r\n\r\n";
    return reply;
}

Reply CutReply(const std::string& body, std::size_t count)
{
    Reply reply = OkReply(body);
    reply.bytes.resize(reply.bytes.size() - body.size() + std::min(count, body.size()));
    return reply;
}

Reply ResetReply(const std::string& body, std::size_t count)
{
    Reply reply = OkReply(body);
    reply.bytes.resize(std::min(count, reply.bytes.size()));
    reply.ending = Reply::Ending::reset;
    return reply;
}

Reply TrickleReply(const std::string& body, milliseconds interval)
{
    Reply reply = OkReply(body);
    reply.pieceSize = 1;
    reply.pause = interval;
    return reply;
}

Reply SlowTailReply(const std::string& body, std::size_t fastCount, milliseconds interval)
{
    Reply reply = TrickleReply(body, interval);
    reply.atOnce = reply.bytes.size() - body.size() + std::min(fastCount, body.size());
    return reply;
}

Reply PartialReply(const std::string& body, std::size_t from)
{
    from = std::min(from, body.size());
    const std::string range = std::string("Content-Range: bytes ")
                                  .append(std::to_string(from))
                                  .append("-")
                                  .append(std::to_string(body.empty() ? 0 : body.size() - 1))
                                  .append("/")
                                  .append(std::to_string(body.size()))
                                  .append("\r\n");
    Reply reply;
    reply.bytes = WithLength(206, "Partial Content", body.substr(from), "application/octet-stream");
    reply.bytes.insert(reply.bytes.find("\r\n") + 2, range);
    return reply;
}

Reply SplitReply(const std::string& body, std::size_t pieceSize)
{
    Reply reply = OkReply(body);
    reply.pieceSize = pieceSize;
    reply.pause = milliseconds(1);
    return reply;
}

Reply SilentReply()
{
    Reply reply;
    reply.ending = Reply::Ending::silence;
    return reply;
}

Reply SilentAfterHeaderReply()
{
    Reply reply;
    reply.bytes = Header(200, "OK", "Content-Type: text/plain\r\n");
    reply.ending = Reply::Ending::silence;
    return reply;
}

Reply EndlessBodyReply(const std::string& pattern)
{
    Reply reply;
    reply.bytes = Header(200, "OK", "Content-Type: application/octet-stream\r\n");
    reply.repeat = pattern;
    return reply;
}

Reply UnendingHeaderReply()
{
    Reply reply;
    reply.bytes = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nX-Never: ends\r\n";
    return reply;
}

Reply EndlessHeaderReply()
{
    Reply reply;
    reply.bytes = "HTTP/1.1 200 OK\r\n";
    reply.repeat = "X-Filler: 0123456789abcdef0123456789abcdef\r\n";
    return reply;
}

Reply DeafReply()
{
    Reply reply = SilentReply();
    reply.readsRequest = false;
    return reply;
}

Reply KeptOpenReply(Reply reply, int answers, bool closesUnanswered)
{
    const std::string close = "Connection: close\r\n";
    if (const std::size_t at = reply.bytes.find(close); at != std::string::npos)
        reply.bytes.erase(at, close.size());
    reply.answers = answers;
    reply.closesUnanswered = closesUnanswered;
    return reply;
}

TestHttpServer::TestHttpServer(Reply reply)
    : listener_(LoopbackSocket::listen(16)), port_(listener_.localPort()), reply_(std::move(reply)),
      thread_([this] { run(); })
{}

TestHttpServer::~TestHttpServer()
{
    stop();
}

void TestHttpServer::stop()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    for (std::thread& connection : connections_)
        connection.join();
    connections_.clear();
    listener_.close();
}

void TestHttpServer::setReply(Reply reply)
{
    const std::lock_guard lock(mutex_);
    reply_ = std::move(reply);
}

void TestHttpServer::queueReplies(std::vector<Reply> replies)
{
    const std::lock_guard lock(mutex_);
    queued_.insert(queued_.end(), replies.begin(), replies.end());
}

void TestHttpServer::setReplyFor(const std::string& requestPart, Reply reply)
{
    const std::lock_guard lock(mutex_);
    for (Route& route : routes_) {
        if (route.part == requestPart) {
            route.reply = std::move(reply);
            return;
        }
    }
    routes_.push_back({requestPart, std::move(reply), {}});
}

void TestHttpServer::queueReplyFor(const std::string& requestPart, Reply reply)
{
    const std::lock_guard lock(mutex_);
    for (Route& route : routes_) {
        if (route.part == requestPart) {
            route.queued.push_back(std::move(reply));
            return;
        }
    }
    routes_.push_back({requestPart, reply_, {std::move(reply)}});
}

int TestHttpServer::connections() const
{
    const std::lock_guard lock(mutex_);
    return accepted_;
}

Reply TestHttpServer::routedReply(const std::string& request, const Reply& fallback)
{
    for (Route& route : routes_) {
        if (request.find(route.part) == std::string::npos)
            continue;
        if (route.queued.empty())
            return route.reply;
        Reply reply = std::move(route.queued.front());
        route.queued.pop_front();
        return reply;
    }
    return fallback;
}

std::vector<std::string> TestHttpServer::requests() const
{
    const std::lock_guard lock(mutex_);
    return requests_;
}

int TestHttpServer::mostAtOnce() const
{
    const std::lock_guard lock(mutex_);
    return mostAtOnce_;
}

std::string TestHttpServer::lastRequest() const
{
    const std::lock_guard lock(mutex_);
    return requests_.empty() ? std::string() : requests_.back();
}

void TestHttpServer::run()
{
    while (!stopping_ && listener_.isOpen()) {
        LoopbackSocket connection = listener_.accept(kSlice);
        if (!connection.isOpen())
            continue;
        Reply reply;
        bool routed = false;
        std::size_t index = 0;
        {
            const std::lock_guard lock(mutex_);
            if (queued_.empty()) {
                reply = reply_;
                routed = !routes_.empty();
            } else {
                reply = std::move(queued_.front());
                queued_.pop_front();
            }
            // Requests are kept in the order their connections came.
            index = requests_.size();
            requests_.emplace_back();
            ++accepted_;
        }
        connections_.emplace_back([this, connection = std::move(connection), reply, routed, index]() mutable {
            serveConnection(connection, reply, routed, index);
        });
    }
}

void TestHttpServer::serveConnection(LoopbackSocket& connection, Reply reply, bool routed, std::size_t index)
{
    {
        const std::lock_guard lock(mutex_);
        mostAtOnce_ = std::max(mostAtOnce_, ++served_);
    }
    connection.sendImmediately();
    const Reply first = reply;
    for (int answered = 0; !stopping_; ++answered) {
        std::string request;
        if (reply.readsRequest || routed)
            request = readRequest(connection);
        // A later request on a kept connection: the client may have closed it instead.
        if (answered > 0 && request.empty())
            break;
        {
            const std::lock_guard lock(mutex_);
            if (answered == 0)
                requests_[index] = request;
            else
                requests_.push_back(request);
            if (routed)
                reply = routedReply(request, answered == 0 ? first : reply_);
        }
        serve(connection, reply);
        if (answered + 1 >= reply.answers || reply.ending != Reply::Ending::close) {
            if (reply.closesUnanswered && reply.ending == Reply::Ending::close)
                readRequest(connection);
            break;
        }
    }
    const std::lock_guard lock(mutex_);
    --served_;
}

void TestHttpServer::serve(LoopbackSocket& connection, const Reply& reply)
{
    bool connected = true;
    if (reply.pieceSize == 0) {
        connected = sendAll(connection, reply.bytes);
    } else {
        const std::size_t first = std::min(reply.atOnce, reply.bytes.size());
        if (first > 0)
            connected = sendAll(connection, reply.bytes.substr(0, first));
        for (std::size_t at = first; connected && at < reply.bytes.size() && !stopping_;
             at += reply.pieceSize) {
            if (at > first)
                std::this_thread::sleep_for(reply.pause);
            connected = sendAll(connection, reply.bytes.substr(at, reply.pieceSize));
        }
    }
    while (connected && !reply.repeat.empty() && !stopping_)
        connected = sendAll(connection, reply.repeat);

    if (reply.ending == Reply::Ending::reset)
        connection.resetOnClose();
    if (connected && reply.ending == Reply::Ending::silence)
        waitForClientToClose(connection, reply.readsRequest);
}

std::string TestHttpServer::readRequest(LoopbackSocket& connection)
{
    std::string request;
    std::size_t expected = std::string::npos;
    milliseconds waited{0};
    while (!stopping_ && waited < kRequestLimit && request.size() < expected) {
        char buffer[4096];
        const int count = connection.receive(buffer, sizeof buffer, kSlice);
        if (count == LoopbackSocket::kTimedOut) {
            waited += kSlice;
            continue;
        }
        if (count <= 0)
            break;
        request.append(buffer, static_cast<std::size_t>(count));
        const std::size_t end = request.find("\r\n\r\n");
        if (expected == std::string::npos && end != std::string::npos)
            expected = end + 4 + ContentLength(request.substr(0, end + 2));
    }
    return request;
}

bool TestHttpServer::sendAll(LoopbackSocket& connection, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (stopping_)
            return false;
        const int count = connection.send(bytes.data() + sent, static_cast<int>(bytes.size() - sent), kSlice);
        if (count == LoopbackSocket::kTimedOut)
            continue;
        if (count < 0)
            return false;
        sent += static_cast<std::size_t>(count);
    }
    return true;
}

void TestHttpServer::waitForClientToClose(LoopbackSocket& connection, bool reads)
{
    char buffer[4096];
    while (!stopping_) {
        // A server that does not read cannot see the client go; it waits for stop.
        if (!reads) {
            std::this_thread::sleep_for(kSlice);
            continue;
        }
        const int count = connection.receive(buffer, sizeof buffer, kSlice);
        if (count != LoopbackSocket::kTimedOut && count <= 0)
            return;
    }
}
