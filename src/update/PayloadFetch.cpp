#include "update/PayloadFetch.h"

namespace {

PlannedFile PayloadDownload(const PlannedFile& file, const PayloadForm& form, std::string name)
{
    // A payload larger than a listing's size field holds is never asked for.
    return {file.path, file.time, static_cast<std::uint32_t>(form.size), form.sha256, std::move(name)};
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
