#pragma once
// The two byte streams of one request, whichever way the web server hands it over: the
// body the client sent, and the answer (CGI headers, an empty line, the body).

#include <cstddef>
#include <string_view>

// Writes all of data to fd, retrying after interruptions and partial writes.
bool WriteAll(int fd, std::string_view data);

class RequestChannel {
public:
    // Up to size bytes of the request body into buffer; 0 at its end, -1 when reading failed.
    virtual long read(char* buffer, std::size_t size) = 0;

    // Writes all of data; false when it cannot be written (the client went away).
    virtual bool write(std::string_view data) = 0;

protected:
    RequestChannel() = default;
    RequestChannel(const RequestChannel&) = default;
    RequestChannel& operator=(const RequestChannel&) = default;
    ~RequestChannel() = default;
};

// A CGI request: the body on one file descriptor, the answer on another.
class FdChannel final : public RequestChannel {
public:
    FdChannel(int in, int out) : in_(in), out_(out) {}
    long read(char* buffer, std::size_t size) override;
    bool write(std::string_view data) override;

private:
    int in_;
    int out_;
};
