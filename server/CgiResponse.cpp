#include "CgiResponse.h"

#include "text/CharClass.h"

#include <unistd.h>

#include <array>
#include <cerrno>

namespace {

const char* ReasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    default:
        return "Internal Server Error";
    }
}

std::string Head(int status, std::string_view contentType)
{
    std::string head = "Status: " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
    head += "Content-Type: ";
    head += contentType;
    head += "\r\n";
    return head;
}

// The web server decodes %XX in an X-Sendfile path, so every byte but letters, digits,
// "/", "-", "." and "_" is written that way (a "%" in a file name among them).
std::string PercentEncoded(const std::string& path)
{
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '/' || c == '-' ||
            c == '.' || c == '_') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

} // namespace

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool SendText(int out, int status, std::string_view text)
{
    std::string answer = Head(status, "text/plain");
    if (status == 405)
        answer += "Allow: POST\r\n";
    answer += "Content-Length: " + std::to_string(text.size() + 1) + "\r\n\r\n";
    answer += text;
    answer += '\n';
    return WriteAll(out, answer);
}

bool SendListing(int out, const std::string& listing)
{
    // The client folds a reply that declares UTF-8; this one says what it is.
    std::string head = Head(200, "text/plain; charset=windows-1252");
    head += "Content-Length: " + std::to_string(listing.size()) + "\r\n\r\n";
    return WriteAll(out, head) && WriteAll(out, listing);
}

bool SendFileBytes(int out, int file, std::uint64_t size)
{
    std::string head = Head(200, "application/octet-stream");
    head += "Content-Length: " + std::to_string(size) + "\r\n\r\n";
    if (!WriteAll(out, head))
        return false;
    std::array<char, 65536> buffer;
    std::uint64_t left = size;
    while (left > 0) {
        const ssize_t got = ::read(file, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false; // the file shrank: the client sees a body shorter than announced
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(got), left));
        if (!WriteAll(out, std::string_view(buffer.data(), count)))
            return false;
        left -= count;
    }
    return true;
}

bool SendFileByWebServer(int out, const std::string& path)
{
    std::string head = Head(200, "application/octet-stream");
    head += "X-Sendfile: " + PercentEncoded(path) + "\r\n\r\n";
    return WriteAll(out, head);
}
