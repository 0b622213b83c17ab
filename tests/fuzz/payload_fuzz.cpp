// Feeds arbitrary bytes to the zstd decoder as the client meets payloads: as a compressed
// form, and as a patch against a reference the input's first bytes choose, once whole and
// once in pieces; checks that the output never goes beyond the listed size, that both
// feedings agree, and that the listing's payload values parse only to well-formed forms.
#include "FuzzRequire.h"
#include "codec/ZstdDecoder.h"
#include "filetree/PayloadColumns.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::uint64_t limit = std::uint64_t{data[0]} << 12; // up to about 1 MiB
    const std::size_t piece = std::size_t{data[1]} + 1;
    const std::size_t referenceSize = std::min<std::size_t>(std::size_t{data[2]} * 16, size - 3);
    const std::string reference(reinterpret_cast<const char*>(data + 3), referenceSize);
    const std::string input(reinterpret_cast<const char*>(data + 3), size - 3);

    for (const std::string* ref : {static_cast<const std::string*>(nullptr), &reference}) {
        std::string whole, failure;
        const bool ok = DecodeWhole(input, limit, ref ? *ref : std::string(), whole, failure);
        Require(whole.size() <= limit);
        Require(ok == failure.empty());

        ZstdDecoder decoder(limit, ref ? *ref : std::string_view());
        std::string pieces;
        bool fed = true;
        for (std::size_t at = 0; at < input.size() && fed; at += piece)
            fed = decoder.feed(std::string_view(input).substr(at, piece), pieces);
        Require(pieces.size() <= limit);
        Require(decoder.produced() == pieces.size());
        if (ok)
            Require(fed && decoder.finished() && pieces == whole);
    }

    if (const auto compressed = ParseCompressedValue(input))
        Require(IsSha256Hex(compressed->sha256) && FormatCompressedValue(*compressed) == input);
    if (const auto patch = ParsePatchValue(input))
        Require(IsSha256Hex(patch->oldSha256) && FormatPatchValue(*patch) == input);
    return 0;
}
