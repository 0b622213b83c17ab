// The chunked body decoder on whole bodies and on every split of them into two receives.
#include "net/ChunkedDecoder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

enum class End { done, failed, open };

struct Decoded {
    std::string body;
    End end;
};

// Feeds bytes to a decoder in two receives split at at.
Decoded DecodeSplit(const std::string& bytes, std::size_t at)
{
    ChunkedDecoder decoder;
    std::string first = bytes.substr(0, at);
    std::string second = bytes.substr(at);
    std::string body(first.data(), decoder.decode(first.data(), first.size()));
    body.append(second.data(), decoder.decode(second.data(), second.size()));
    return {body, decoder.done() ? End::done : decoder.failed() ? End::failed : End::open};
}

TEST(ChunkedDecoder, DecodesOrRefusesTheSameWayHoweverTheBytesArrive)
{
    const struct {
        const char* name;
        std::string bytes;
        End end;
        std::string body; // what comes out, also before a failure
    } cases[] = {
        {"two chunks", "7\r\nHello, \r\n5\r\nworld\r\n0\r\n\r\n", End::done, "Hello, world"},
        {"upper-case hex, leading zeros", "00A\r\n0123456789\r\n0000\r\n\r\n", End::done, "0123456789"},
        {"extensions", "3;a=1;b=\"x y\"\r\nabc\r\n0;last\r\n\r\n", End::done, "abc"},
        {"white space before an extension", "3 \t;a\r\nabc\r\n0\r\n\r\n", End::done, "abc"},
        {"trailer dropped", "3\r\nabc\r\n0\r\nX-A: 1\r\nX-B: 2\r\n\r\n", End::done, "abc"},
        {"bare line feeds", "3\nabc\n0\n\n", End::done, "abc"},
        {"bytes after the end ignored", "1\r\na\r\n0\r\n\r\nHTTP/1.1 200", End::done, "a"},
        {"cut in a chunk", "7\r\nHello", End::open, "Hello"},
        {"cut before the last chunk", "1\r\na\r\n", End::open, "a"},
        {"cut in the trailer", "1\r\na\r\n0\r\nX-A: 1\r\n", End::open, "a"},
        {"no digits", "\r\nabc\r\n", End::failed, ""},
        {"not hex", "1g\r\na\r\n0\r\n\r\n", End::failed, ""},
        {"sign", "+1\r\na\r\n0\r\n\r\n", End::failed, ""},
        {"space inside the size", "1 0\r\n", End::failed, ""},
        {"extension without a size", ";a\r\n", End::failed, ""},
        {"data longer than its size", "2\r\nabc\r\n0\r\n\r\n", End::failed, "ab"},
        {"carriage return without line feed", "1\ra\r\n", End::failed, ""},
        {"control byte in an extension", "1;\x01\r\na\r\n", End::failed, ""},
        {"size beyond 15 digits", "1000000000000000\r\n", End::failed, ""},
        {"15 digits taken", "000fffffffffffffff\r\nab", End::open, "ab"},
        {"size line beyond its limit", "1;" + std::string(kChunkSizeLineLimit, 'x') + "\r\na\r\n",
         End::failed, ""},
        {"trailer beyond its limit", "0\r\nX: " + std::string(kChunkTrailerLimit, 'x') + "\r\n\r\n",
         End::failed, ""},
    };
    for (const auto& c : cases) {
        for (std::size_t at = 0; at <= c.bytes.size(); ++at) {
            SCOPED_TRACE(std::string(c.name) + ", split at " + std::to_string(at));
            const Decoded decoded = DecodeSplit(c.bytes, at);
            ASSERT_EQ(decoded.end, c.end);
            ASSERT_EQ(decoded.body, c.body);
        }
    }
}

TEST(ChunkedDecoder, FindsTheCodingInTheHeader)
{
    const struct {
        const char* header;
        bool chunked;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", true},
        {"HTTP/1.1 200 OK\r\ntransfer-encoding:CHUNKED \r\n\r\n", true},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n", true},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked, gzip\r\n\r\n", false},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunkedx\r\n\r\n", false},
        {"HTTP/1.1 200 OK\r\nX-Transfer-Encoding: chunked\r\n\r\n", false},
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeclaresChunked(c.header), c.chunked) << c.header;
}

} // namespace
