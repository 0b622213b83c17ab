#include "PayloadNames.h"

#include "RepositoryNames.h"
#include "filetree/PayloadColumns.h"

namespace {

constexpr std::string_view kPayloadEnding = ".zst";

} // namespace

std::string PayloadStorePath(const std::string& root, const std::string& productFolderName)
{
    return root + "/" + productFolderName + std::string(kPayloadStoreEnding);
}

std::string CompressedPayloadName(const std::string& sha256Hex)
{
    return sha256Hex + std::string(kPayloadEnding);
}

std::string PatchPayloadName(const std::string& oldSha256Hex, const std::string& sha256Hex)
{
    return oldSha256Hex + "-" + sha256Hex + std::string(kPayloadEnding);
}

bool IsPayloadName(std::string_view name)
{
    if (name.size() <= kPayloadEnding.size() || name.substr(name.size() - kPayloadEnding.size()) != kPayloadEnding)
        return false;
    name.remove_suffix(kPayloadEnding.size());
    if (name.size() == 64)
        return IsSha256Hex(name);
    return name.size() == 129 && name[64] == '-' && IsSha256Hex(name.substr(0, 64)) && IsSha256Hex(name.substr(65));
}
