#include "codec/ZstdDecoder.h"

#include <zstd.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// A text that compresses well but not to nothing.
std::string Sample(std::size_t size, unsigned seed)
{
    std::string text;
    text.reserve(size);
    unsigned state = seed;
    while (text.size() < size) {
        state = state * 1103515245u + 12345u;
        text += "Zeile " + std::to_string(state % 1000) + " der Datei\n";
    }
    text.resize(size);
    return text;
}

std::string Compress(const std::string& bytes, const std::string& reference = {})
{
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, 19);
    ZSTD_CCtx_setParameter(context, ZSTD_c_contentSizeFlag, 1);
    // As the maker's tool writes them; the decoder does not check the frame's checksum (the
    // run checks the decoded file's SHA-256 instead).
    ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
    if (!reference.empty())
        ZSTD_CCtx_refPrefix(context, reference.data(), reference.size());
    std::string frame(ZSTD_compressBound(bytes.size()), '\0');
    const std::size_t size = ZSTD_compress2(context, frame.data(), frame.size(), bytes.data(), bytes.size());
    ZSTD_freeCCtx(context);
    EXPECT_FALSE(ZSTD_isError(size));
    frame.resize(ZSTD_isError(size) ? 0 : size);
    return frame;
}

TEST(ZstdDecoder, DecodesAStreamInPiecesOfAnySize)
{
    const std::string plain = Sample(300000, 1);
    const std::string frame = Compress(plain);
    ASSERT_LT(frame.size(), plain.size() / 2);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, frame.size()}) {
        SCOPED_TRACE(piece);
        ZstdDecoder decoder(plain.size());
        std::string output;
        for (std::size_t at = 0; at < frame.size(); at += piece) {
            ASSERT_TRUE(decoder.feed(std::string_view(frame).substr(at, piece), output)) << decoder.failure();
            EXPECT_EQ(decoder.finished(), at + piece >= frame.size());
        }
        EXPECT_TRUE(output == plain);
        EXPECT_EQ(decoder.produced(), plain.size());
    }
}

TEST(ZstdDecoder, RefusesWhatTheListingDoesNotAllow)
{
    const std::string plain = Sample(200000, 2);
    const std::string frame = Compress(plain);
    struct Case {
        const char* name;
        std::string input;
        std::uint64_t limit;
        const char* failure; // empty: accepted
    };
    const Case cases[] = {
        {"exact limit", frame, plain.size(), ""},
        {"one byte over the limit", frame, plain.size() - 1, "more than the listed"},
        {"limit zero", frame, 0, "more than the listed"},
        {"not zstd", "<html>404</html>", plain.size(), "malformed"},
        {"a second frame", frame + frame, 2 * plain.size(), "after its frame"},
        {"cut", frame.substr(0, frame.size() - 10), plain.size(), "ends inside"},
        {"empty", "", plain.size(), "ends inside"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string output;
        std::string failure;
        const bool accepted = DecodeWhole(c.input, c.limit, {}, output, failure);
        EXPECT_EQ(accepted, std::string(c.failure).empty()) << failure;
        EXPECT_NE(failure.find(c.failure), std::string::npos) << failure;
        EXPECT_LE(output.size(), c.limit + 1);
        if (accepted) {
            EXPECT_TRUE(output == plain);
        }
    }
}

// What the decoder counts as given is what the sink took: a stream too long for the listed
// size stops with the limit's bytes handed over and not one more.
TEST(ZstdDecoder, StopsAtTheLimitWithWhatItGaveCounted)
{
    const std::string plain = Sample(400000, 6);
    const std::string frame = Compress(plain);
    for (const std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{131072}, std::uint64_t{399999}}) {
        SCOPED_TRACE(limit);
        ZstdDecoder decoder(limit);
        std::string output;
        EXPECT_FALSE(decoder.feed(frame, output));
        EXPECT_EQ(decoder.produced(), output.size());
        EXPECT_LE(output.size(), limit);
        EXPECT_TRUE(output == plain.substr(0, output.size()));
    }
}

TEST(ZstdDecoder, AppliesAPatchOnlyWithItsReference)
{
    const std::string old = Sample(500000, 3);
    std::string changed = old;
    changed.replace(1000, 6, "ANDERS");
    changed.insert(250000, "neue Zeile\n");
    const std::string patch = Compress(changed, old);
    ASSERT_LT(patch.size(), changed.size() / 50);

    std::string output;
    std::string failure;
    ASSERT_TRUE(DecodeWhole(patch, changed.size(), old, output, failure)) << failure;
    EXPECT_TRUE(output == changed);

    // Another old file gives other bytes or a malformed stream, never a crash; the caller's
    // hash check refuses what it gives.
    const std::string other = Sample(500000, 4);
    if (DecodeWhole(patch, changed.size(), other, output, failure)) {
        EXPECT_TRUE(output != changed);
    }
    EXPECT_FALSE(DecodeWhole(patch, changed.size(), {}, output, failure) && output == changed);
}

TEST(ZstdDecoder, RefusesAWindowLargerThanTheClientDecodes)
{
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(context, ZSTD_c_windowLog, kLargestWindowLog + 1);
    ZSTD_CCtx_setParameter(context, ZSTD_c_contentSizeFlag, 0);
    const std::string plain = Sample(1 << 16, 5);
    std::string frame(ZSTD_compressBound(plain.size()), '\0');
    // Streaming without a known size keeps the declared window in the frame header.
    ZSTD_inBuffer in{plain.data(), plain.size(), 0};
    ZSTD_outBuffer out{frame.data(), frame.size(), 0};
    ASSERT_FALSE(ZSTD_isError(ZSTD_compressStream2(context, &out, &in, ZSTD_e_continue)));
    ZSTD_inBuffer none{nullptr, 0, 0};
    ASSERT_EQ(ZSTD_compressStream2(context, &out, &none, ZSTD_e_end), 0u);
    ZSTD_freeCCtx(context);
    frame.resize(out.pos);

    std::string output;
    std::string failure;
    EXPECT_FALSE(DecodeWhole(frame, plain.size(), {}, output, failure));
    EXPECT_NE(failure.find("malformed"), std::string::npos) << failure;
}

} // namespace
