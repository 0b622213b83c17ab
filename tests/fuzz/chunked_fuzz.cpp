// Feeds arbitrary bytes to the chunked body decoder twice, once whole and once in pieces
// whose sizes the input's first byte chooses, and checks that both give the same body and
// end, and that a body never outgrows its input.
#include "FuzzRequire.h"
#include "net/ChunkedDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);

    ChunkedDecoder whole;
    std::string all = input;
    const std::size_t wholeCount = whole.decode(all.data(), all.size());
    Require(wholeCount <= input.size());
    Require(!(whole.done() && whole.failed()));

    ChunkedDecoder pieces;
    std::string body;
    const std::size_t step = 1 + data[0] % 37;
    for (std::size_t at = 0, call = 0; at < input.size(); ++call) {
        std::string piece = input.substr(at, 1 + (call * step) % 61);
        at += piece.size();
        const std::size_t count = pieces.decode(piece.data(), piece.size());
        Require(count <= piece.size());
        body.append(piece.data(), count);
    }
    Require(body == all.substr(0, wholeCount));
    Require(pieces.done() == whole.done() && pieces.failed() == whole.failed());
    return 0;
}
