#pragma once
// zstd decompression for the update run: bytes in, bytes out, the output bounded by the size
// the signed listing gives for the file. Knows no run and no network. A patch is a zstd frame
// made with the installed (old) file as its reference: its decoder is given the old bytes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct ZSTD_DCtx_s;

class ZstdDecoder {
public:
    // A decoder whose whole output may be at most outputLimit bytes. With reference, the
    // frame is a patch against those bytes, which must stay alive while the decoder decodes.
    explicit ZstdDecoder(std::uint64_t outputLimit, std::string_view reference = {});
    ~ZstdDecoder();
    ZstdDecoder(ZstdDecoder&&) noexcept;
    ZstdDecoder& operator=(ZstdDecoder&&) noexcept;
    ZstdDecoder(const ZstdDecoder&) = delete;
    ZstdDecoder& operator=(const ZstdDecoder&) = delete;

    // Takes the decoded bytes, a block at a time; false when they cannot be kept.
    using Sink = std::function<bool(const char* bytes, std::size_t count)>;

    // Decodes input and hands what it gives to sink, in blocks of at most ZSTD_DStreamOutSize()
    // (128 KiB) whatever the input gives. False, and failure() says why, on a malformed
    // stream, output beyond the limit, data after the frame, a sink that refused, or a failed
    // decoder before; the sink then has had what came before the fault.
    bool feed(std::string_view input, const Sink& sink);
    // The same, appending to output.
    bool feed(std::string_view input, std::string& output);

    // Whether exactly one whole frame has been decoded.
    bool finished() const { return finished_; }
    // The bytes handed to the sink so far.
    std::uint64_t produced() const { return produced_; }
    const std::string& failure() const { return failure_; }

private:
    struct Release {
        void operator()(ZSTD_DCtx_s* context) const;
    };
    bool fail(std::string reason);

    std::unique_ptr<ZSTD_DCtx_s, Release> context_;
    std::uint64_t limit_ = 0;
    std::uint64_t produced_ = 0;
    bool finished_ = false;
    std::string buffer_; // one block of output
    std::string failure_;
};

// The largest window the client decodes with. A patch of a file of the largest size the maker's
// tool patches (256 MiB) needs a window that reaches back over the whole older file: 2^28 bytes
// of window beside the 2^28 of that file are 512 MiB of the 32-bit process's 2 GiB. The
// maker's tool writes no larger window; compressed forms take at most 2^27 (zstd's --long).
inline constexpr int kLargestWindowLog = 28;
inline constexpr int kLargestCompressedWindowLog = 27;

// The whole output of one frame in input, or none (failure set) as feed() would refuse it.
bool DecodeWhole(std::string_view input, std::uint64_t outputLimit, std::string_view reference,
                 std::string& output, std::string& failure);
