#include "update/PayloadFetch.h"

#include "codec/ZstdDecoder.h"
#include "update/StagedFile.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr std::size_t kReadBlock = 256 * 1024;

PlannedFile PayloadDownload(const PlannedFile& file, const PayloadForm& form, std::string name)
{
    // A payload larger than a listing's size field holds is never asked for.
    return {file.path, file.time, static_cast<std::uint32_t>(form.size), form.sha256, std::move(name)};
}

bool ReadWhole(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() && in.is_open();
}

} // namespace

std::vector<PlannedFile> FetchOrder(const PlannedFile& file, const FilePayloads& payloads,
                                    const std::string& installedSha256)
{
    std::vector<PlannedFile> order;
    constexpr std::uint64_t kLargest = UINT32_MAX;
    if (!installedSha256.empty()) {
        for (const PatchForm& patch : payloads.patches) {
            if (patch.oldSha256 == installedSha256 && patch.patch.size <= kLargest) {
                order.push_back(PayloadDownload(file, patch.patch, patch.oldSha256 + "-" + file.sha256 + ".zst"));
                break;
            }
        }
    }
    if (payloads.compressed && payloads.compressed->size <= kLargest)
        order.push_back(PayloadDownload(file, *payloads.compressed, file.sha256 + ".zst"));
    order.push_back(file);
    return order;
}

bool IsPatch(const PlannedFile& payload)
{
    return payload.payload.find('-') != std::string::npos;
}

std::string MakeFromPayload(const PlannedFile& payload, const PlannedFile& file, const std::string& installedPath,
                            StagingIndex& index)
{
    StagedFile staged(payload, index);
    const std::string payloadPath = StagedFile::PayloadDataPath(payload.payload);
    StagedFile made(file, index);
    std::string failure;
    if (!made.prepare() || !made.begin(200, 0)) {
        failure = "the staging area cannot be written";
    } else {
        const ZstdDecoder::Sink sink = [&made](const char* bytes, std::size_t count) {
            return made.write(bytes, count);
        };
        std::string old;
        if (IsPatch(payload) && !ReadWhole(installedPath, old))
            failure = "the installed file cannot be read";
        // A patch refers to the installed bytes, which stay in memory while it is applied;
        // a compressed form is decoded as it is read.
        ZstdDecoder decoder(file.size, old);
        std::ifstream in(payloadPath, std::ios::binary);
        std::vector<char> block(kReadBlock);
        while (failure.empty() && in) {
            in.read(block.data(), static_cast<std::streamsize>(block.size()));
            if (!decoder.feed(std::string_view(block.data(), static_cast<std::size_t>(in.gcount())), sink))
                failure = decoder.failure();
        }
        if (failure.empty() && (!in.eof() || !decoder.finished()))
            failure = in.eof() ? "the zstd stream ends inside its frame" : "the staged payload cannot be read";
        const std::string checked = made.finish();
        if (failure.empty())
            failure = checked;
        if (!failure.empty())
            made.discard();
    }
    staged.discard();
    return failure;
}
