// Feeds arbitrary bytes to the response reader (header, body blocks, charset fold) in
// pieces whose sizes the input's first byte chooses, and checks what must always hold.
#include "FuzzRequire.h"
#include "net/ByteSource.h"
#include "net/HttpClient.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

class FuzzSource final : public ByteSource {
public:
    FuzzSource(const std::uint8_t* data, std::size_t size, unsigned pattern)
        : data_(data), size_(size), pattern_(pattern)
    {}

    int receive(char* buffer, int size) override
    {
        // Piece sizes cycle through 1 .. 16 times a step the input chose.
        const std::size_t piece = 1 + (calls_++ * (pattern_ % 7 + 1)) % (16 * (pattern_ / 7 + 1));
        const std::size_t count = std::min({piece, static_cast<std::size_t>(size), size_ - position_});
        std::memcpy(buffer, data_ + position_, count);
        position_ += count;
        return static_cast<int>(count);
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    unsigned pattern_;
    std::size_t position_ = 0;
    std::size_t calls_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    FuzzSource source(data + 1, size - 1, data[0]);
    HttpClient client;
    client.readResponse(source);

    const std::string header = client.header();
    const std::string body = client.body();
    Require(header.size() <= kResponseHeaderLimit);
    Require(header.size() + body.size() <= size - 1);
    Require(std::memcmp(header.data(), data + 1, header.size()) == 0);
    if (!header.ends_with("\r\n\r\n"))
        Require(body.empty());
    Require(client.statusCode() >= 0 && client.statusCode() <= 999);
    if (client.statusCode() != 0)
        Require(header.starts_with("HTTP/"));

    std::string text(reinterpret_cast<const char*>(data), size);
    const int length = HttpClient::foldUtf8(text);
    Require(static_cast<std::size_t>(length) == text.size() && text.size() <= size);
    Require(text.find('\xC3') == std::string::npos);
    return 0;
}
