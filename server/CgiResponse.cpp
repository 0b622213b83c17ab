#include "CgiResponse.h"

#include "text/CharClass.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace {

const char* ReasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
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
    case 416:
        return "Range Not Satisfiable";
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

std::string TextAnswer(int status, std::string_view text, const std::string& headers)
{
    std::string answer = Head(status, "text/plain") + headers;
    answer += "Content-Length: " + std::to_string(text.size() + 1) + "\r\n\r\n";
    answer += text;
    answer += '\n';
    return answer;
}

// The web server decodes %XX in an X-Sendfile path or X-Accel-Redirect URI, so every byte but letters, digits,
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

bool SendText(RequestChannel& out, int status, std::string_view text)
{
    return out.write(TextAnswer(status, text, status == 405 ? "Allow: POST\r\n" : ""));
}

bool SendListing(RequestChannel& out, const std::string& listing)
{
    // The client folds a reply that declares UTF-8; this one says what it is.
    std::string head = Head(200, kListingType);
    head += "Content-Length: " + std::to_string(listing.size()) + "\r\n\r\n";
    return out.write(head) && out.write(listing);
}

bool SendFileBytes(RequestChannel& out, int file, std::uint64_t size, const ByteRange& range)
{
    const bool part = range.kind == ByteRange::Kind::Part;
    std::string head = Head(part ? 206 : 200, kFileType);
    std::uint64_t left = size;
    if (part) {
        head += "Content-Range: bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) + "/" +
                std::to_string(size) + "\r\n";
        left = range.length();
        if (::lseek(file, static_cast<off_t>(range.first), SEEK_SET) < 0)
            return false;
    }
    head += "Content-Length: " + std::to_string(left) + "\r\n\r\n";
    if (!out.write(head))
        return false;
    std::array<char, 65536> buffer;
    while (left > 0) {
        const ssize_t got = ::read(file, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false; // the file shrank: the client sees a body shorter than announced
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(got), left));
        if (!out.write(std::string_view(buffer.data(), count)))
            return false;
        left -= count;
    }
    return true;
}

bool SendRangeNotSatisfiable(RequestChannel& out, std::uint64_t size)
{
    return out.write(
        TextAnswer(416, "range beyond the end of the file", "Content-Range: bytes */" + std::to_string(size) + "\r\n"));
}

bool SendFileByWebServer(RequestChannel& out, const std::string& path, bool encoded, std::string_view contentType)
{
    std::string head = Head(200, contentType);
    head += "X-Sendfile: " + (encoded ? PercentEncoded(path) : path) + "\r\n\r\n";
    return out.write(head);
}

bool SendFileByAccelRedirect(RequestChannel& out, const std::string& uri, std::string_view contentType)
{
    std::string head = Head(200, contentType);
    head += "X-Accel-Redirect: " + PercentEncoded(uri) + "\r\n\r\n";
    return out.write(head);
}
