// The hash worker beside the run's thread: every stream gets the digest of exactly the
// bytes written to its file, however they interleave and however small the lag allowed,
// and a file that cannot be read back gives no digest.
#include "update/HashWorker.h"

#include "TempDir.h"
#include "os/OutputFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Bytes(std::size_t count, unsigned seed)
{
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed) >> 3);
    return bytes;
}

// Writes bytes to file in pieces of piece bytes, telling the worker after each.
void WriteInPieces(HashWorker& worker, int stream, OutputFile& file, const std::string& bytes,
                   std::size_t piece, std::uint64_t before = 0)
{
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        const std::size_t count = std::min(piece, bytes.size() - at);
        ASSERT_TRUE(file.write(bytes.data() + at, count));
        worker.wrote(stream, before + at + count);
    }
}

Sha256Digest Finished(HashWorker& worker, int stream)
{
    Sha256Digest digest{};
    EXPECT_TRUE(worker.finish(stream, digest));
    return digest;
}

TEST(HashWorker, InterleavedStreamsGetTheDigestOfTheirOwnFiles)
{
    // Limits below, at and above the piece size: the run waits for the worker, a piece
    // larger than the limit still goes in.
    for (const std::uint64_t limit : {std::uint64_t{1}, std::uint64_t{4096}, HashWorker::kDefaultLagLimit}) {
        SCOPED_TRACE(limit);
        TempDir dir;
        HashWorker worker(limit);
        // The first file continues 5,000 bytes staged and hashed before.
        const std::string prefix = Bytes(5000, 9);
        Sha256 resumed;
        resumed.update(prefix.data(), prefix.size());
        const std::vector<std::string> contents = {Bytes(700000, 1), Bytes(70001, 2), Bytes(0, 3)};
        std::vector<OutputFile> files(contents.size());
        std::vector<int> streams;
        for (std::size_t f = 0; f < files.size(); ++f) {
            const std::string path = dir / (std::to_string(f) + ".part");
            ASSERT_TRUE(files[f].open(path, OutputFile::Mode::Truncate));
            if (f == 0) {
                ASSERT_TRUE(files[f].write(prefix.data(), prefix.size()));
            }
            streams.push_back(f == 0 ? worker.open(std::move(resumed), path, prefix.size())
                                     : worker.open(Sha256(), path, 0));
        }
        for (std::size_t at = 0; at < contents[0].size(); at += 4096) {
            for (std::size_t f = 0; f < files.size(); ++f) {
                if (at >= contents[f].size())
                    continue;
                const std::size_t count = std::min<std::size_t>(4096, contents[f].size() - at);
                ASSERT_TRUE(files[f].write(contents[f].data() + at, count));
                worker.wrote(streams[f], (f == 0 ? prefix.size() : 0) + at + count);
            }
        }
        EXPECT_EQ(Finished(worker, streams[1]), Sha256Of(contents[1]));
        EXPECT_EQ(Finished(worker, streams[0]), Sha256Of(prefix + contents[0]));
        EXPECT_EQ(Finished(worker, streams[2]), Sha256Of(""));
    }
}

TEST(HashWorker, ARestartForgetsWhatWasWrittenBefore)
{
    TempDir dir;
    HashWorker worker(1);
    const std::string first = Bytes(900000, 4);
    const std::string again = Bytes(7000, 5);
    OutputFile file;
    ASSERT_TRUE(file.open(dir / "restarted", OutputFile::Mode::Truncate));
    const int stream = worker.open(Sha256(), dir / "restarted", 0);
    WriteInPieces(worker, stream, file, first, 300000);
    worker.restart(stream);
    ASSERT_TRUE(file.open(dir / "restarted", OutputFile::Mode::Truncate));
    WriteInPieces(worker, stream, file, again, 1000);
    EXPECT_EQ(Finished(worker, stream), Sha256Of(again));
    // A stream closed without a digest leaves the others as they were.
    OutputFile dropped, kept;
    ASSERT_TRUE(dropped.open(dir / "dropped", OutputFile::Mode::Truncate));
    ASSERT_TRUE(kept.open(dir / "kept", OutputFile::Mode::Truncate));
    const int droppedStream = worker.open(Sha256(), dir / "dropped", 0);
    const int keptStream = worker.open(Sha256(), dir / "kept", 0);
    WriteInPieces(worker, droppedStream, dropped, first, 65536);
    WriteInPieces(worker, keptStream, kept, again, 65536);
    worker.close(droppedStream);
    EXPECT_EQ(Finished(worker, keptStream), Sha256Of(again));
}

TEST(HashWorker, AFileThatCannotBeReadBackGivesNoDigest)
{
    TempDir dir;
    HashWorker worker;
    Sha256Digest digest{};
    // Never made: the worker cannot open it.
    const int missing = worker.open(Sha256(), dir / "missing", 0);
    worker.wrote(missing, 100);
    EXPECT_FALSE(worker.finish(missing, digest));
    // Cut beneath the worker: it finds fewer bytes than were said to be written.
    OutputFile file;
    ASSERT_TRUE(file.open(dir / "cut", OutputFile::Mode::Truncate));
    ASSERT_TRUE(file.write("abc", 3));
    const int cut = worker.open(Sha256(), dir / "cut", 0);
    worker.wrote(cut, 3 + HashWorker::kReadBlockSize);
    worker.wrote(cut, 4 + HashWorker::kReadBlockSize);
    EXPECT_FALSE(worker.finish(cut, digest));
}

} // namespace
