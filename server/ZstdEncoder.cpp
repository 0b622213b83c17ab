#include "ZstdEncoder.h"

#include "SignDiagnostic.h"
#include "codec/ZstdDecoder.h"

#include <zstd.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kLevel = 19;
constexpr int kLevelWindowLog = 23; // what level 19 takes by itself: 8 MiB

struct FreeContext {
    void operator()(ZSTD_CCtx* context) const { ZSTD_freeCCtx(context); }
};

// The smallest window that holds size bytes, between the level's own and largest.
int WindowLogFor(std::uint64_t size, int largest)
{
    int log = kLevelWindowLog;
    while (log < largest && (std::uint64_t{1} << log) < size)
        ++log;
    return log;
}

bool WriteAll(int fd, const char* bytes, std::size_t count)
{
    while (count > 0) {
        const ssize_t written = ::write(fd, bytes, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

bool Failed(const std::string& name, const std::string& what)
{
    Complain("cannot make the zstd form of " + name + ": " + what);
    return false;
}

} // namespace

bool EncodeZstd(int inputFd, std::uint64_t inputSize, std::string_view reference, int outputFd,
                const std::string& name)
{
    std::unique_ptr<ZSTD_CCtx, FreeContext> context(ZSTD_createCCtx());
    if (!context)
        return Failed(name, "no encoder");
    // A patch reaches back over the whole older file, which the decoder sees just before the
    // new bytes.
    const int windowLog = reference.empty() ? WindowLogFor(inputSize, kLargestCompressedWindowLog)
                                            : WindowLogFor(std::max<std::uint64_t>(inputSize, reference.size()), kLargestWindowLog);
    const std::pair<ZSTD_cParameter, int> parameters[] = {
        {ZSTD_c_compressionLevel, kLevel},
        {ZSTD_c_checksumFlag, 1},
        {ZSTD_c_contentSizeFlag, 1},
        {ZSTD_c_windowLog, windowLog},
        {ZSTD_c_enableLongDistanceMatching, windowLog > kLevelWindowLog ? 1 : 0},
    };
    for (const auto& [parameter, value] : parameters) {
        const std::size_t result = ZSTD_CCtx_setParameter(context.get(), parameter, value);
        if (ZSTD_isError(result))
            return Failed(name, ZSTD_getErrorName(result));
    }
    std::size_t result = ZSTD_CCtx_setPledgedSrcSize(context.get(), inputSize);
    if (!ZSTD_isError(result) && !reference.empty())
        result = ZSTD_CCtx_refPrefix(context.get(), reference.data(), reference.size());
    if (ZSTD_isError(result))
        return Failed(name, ZSTD_getErrorName(result));

    std::vector<char> in(ZSTD_CStreamInSize());
    std::vector<char> out(ZSTD_CStreamOutSize());
    std::uint64_t read = 0;
    for (;;) {
        const ssize_t got = ::read(inputFd, in.data(), in.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Failed(name, std::strerror(errno));
        read += static_cast<std::uint64_t>(got);
        if (read > inputSize)
            return Failed(name, "it grew while it was read");
        const bool last = got == 0;
        if (last && read != inputSize)
            return Failed(name, "it shrank while it was read");
        ZSTD_inBuffer input{in.data(), static_cast<std::size_t>(got), 0};
        const ZSTD_EndDirective mode = last ? ZSTD_e_end : ZSTD_e_continue;
        for (;;) {
            ZSTD_outBuffer output{out.data(), out.size(), 0};
            const std::size_t remaining = ZSTD_compressStream2(context.get(), &output, &input, mode);
            if (ZSTD_isError(remaining))
                return Failed(name, ZSTD_getErrorName(remaining));
            if (!WriteAll(outputFd, out.data(), output.pos))
                return Failed(name, std::string("cannot write: ") + std::strerror(errno));
            if (last ? remaining == 0 : input.pos == input.size)
                break;
        }
        if (last)
            return true;
    }
}
