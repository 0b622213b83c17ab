#include "codec/ZstdDecoder.h"

// ZSTD_d_forceIgnoreChecksum is one of zstd's advanced parameters.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>

#include <algorithm>
#include <utility>

void ZstdDecoder::Release::operator()(ZSTD_DCtx_s* context) const
{
    ZSTD_freeDCtx(context);
}

ZstdDecoder::ZstdDecoder(std::uint64_t outputLimit, std::string_view reference)
    : context_(ZSTD_createDCtx()), limit_(outputLimit)
{
    if (!context_) {
        failure_ = "the zstd decoder cannot be made";
        return;
    }
    std::size_t result = ZSTD_DCtx_setParameter(context_.get(), ZSTD_d_windowLogMax, kLargestWindowLog);
    // The frame's own checksum is not computed: every decoded file is checked against its
    // listed SHA-256 before it is used, which a wrong checksum would only have told sooner.
    if (!ZSTD_isError(result))
        result = ZSTD_DCtx_setParameter(context_.get(), ZSTD_d_forceIgnoreChecksum, ZSTD_d_ignoreChecksum);
    // A prefix is referenced, not copied: the caller keeps the old bytes alive.
    if (!ZSTD_isError(result) && !reference.empty())
        result = ZSTD_DCtx_refPrefix(context_.get(), reference.data(), reference.size());
    if (ZSTD_isError(result))
        failure_ = std::string("the zstd decoder cannot be set up: ") + ZSTD_getErrorName(result);
}

ZstdDecoder::~ZstdDecoder() = default;
ZstdDecoder::ZstdDecoder(ZstdDecoder&&) noexcept = default;
ZstdDecoder& ZstdDecoder::operator=(ZstdDecoder&&) noexcept = default;

bool ZstdDecoder::fail(std::string reason)
{
    failure_ = std::move(reason);
    return false;
}

bool ZstdDecoder::feed(std::string_view input, const Sink& sink)
{
    if (!failure_.empty())
        return false;
    if (finished_)
        return input.empty() || fail("the zstd stream goes on after its frame");
    ZSTD_inBuffer in{input.data(), input.size(), 0};
    const std::size_t block = ZSTD_DStreamOutSize();
    if (buffer_.size() < block)
        buffer_.resize(block);
    // At most one byte more than the limit is ever asked for, which is how a stream that is
    // too long is noticed before anything beyond the limit reaches the sink.
    while (in.pos < in.size || !finished_) {
        const std::uint64_t room = limit_ - produced_;
        const std::size_t ask = room < block ? static_cast<std::size_t>(room) + 1 : block;
        ZSTD_outBuffer out{buffer_.data(), ask, 0};
        const std::size_t result = ZSTD_decompressStream(context_.get(), &out, &in);
        if (ZSTD_isError(result))
            return fail(std::string("the zstd stream is malformed: ") + ZSTD_getErrorName(result));
        if (out.pos > limit_ - produced_)
            return fail("the zstd stream gives more than the listed " + std::to_string(limit_) + " bytes");
        produced_ += out.pos;
        if (out.pos > 0 && !sink(buffer_.data(), out.pos))
            return fail("the decoded bytes cannot be kept");
        if (result == 0) {
            finished_ = true;
            if (in.pos < in.size)
                return fail("the zstd stream goes on after its frame");
            return true;
        }
        // The decoder took all input and has nothing more to give until more arrives.
        if (in.pos == in.size && out.pos < ask)
            return true;
    }
    return true;
}

bool ZstdDecoder::feed(std::string_view input, std::string& output)
{
    return feed(input, [&output](const char* bytes, std::size_t count) {
        output.append(bytes, count);
        return true;
    });
}

bool DecodeWhole(std::string_view input, std::uint64_t outputLimit, std::string_view reference,
                 std::string& output, std::string& failure)
{
    ZstdDecoder decoder(outputLimit, reference);
    output.clear();
    if (decoder.feed(input, output) && !decoder.finished())
        failure = "the zstd stream ends inside its frame";
    else
        failure = decoder.failure();
    return failure.empty();
}
