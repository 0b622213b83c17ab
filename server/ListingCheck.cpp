#include "ListingCheck.h"

#include "text/Codepage.h"

#include <ctime>
#include <map>

namespace {

constexpr std::uint32_t kFileListingCode = 15;
constexpr std::size_t kPathValue = 0, kTimeValue = 1, kSizeValue = 2, kHashValue = 3;

std::string Value(const FileTreeRow& row, std::size_t index)
{
    const TypedValue* value = row.valueAt(index);
    return value != nullptr ? value->text : std::string();
}

// The differences of one file that is both listed and in the folder.
void CompareFile(const FileTreeRow& row, const HashedFile& now, std::vector<std::string>& differences)
{
    const std::string shown = ShownText(now.file.path);
    const std::string time = std::to_string(now.file.time);
    const std::string size = std::to_string(now.file.size);
    if (Value(row, kTimeValue) != time)
        differences.push_back(shown + ": time differs (listed " + ShownText(Value(row, kTimeValue)) +
                              ", now " + time + ")");
    if (Value(row, kSizeValue) != size)
        differences.push_back(shown + ": size differs (listed " + ShownText(Value(row, kSizeValue)) +
                              ", now " + size + " bytes)");
    else if (Value(row, kHashValue) != now.sha256Hex)
        differences.push_back(shown + ": changed since signing (SHA-256 differs)");
}

} // namespace

std::optional<ListingValidity> SignedListingValidity(const FileTree& tree)
{
    if (tree.headerCode != kFileListingCode || tree.headerNumber != kSignedListingLayout)
        return std::nullopt;
    return ParseValidity(tree.headerText2);
}

std::vector<std::string> ListingDifferences(const FileTree& tree, const std::string& product,
                                            const std::vector<HashedFile>& files, std::uint64_t now)
{
    std::vector<std::string> differences;
    const auto validity = SignedListingValidity(tree);
    if (!validity) {
        differences.push_back("not a signed file listing (header " + std::to_string(tree.headerCode) + " " +
                              std::to_string(tree.headerNumber) + " \"" + ShownText(tree.headerText2) +
                              "\")");
        return differences;
    }
    if (tree.headerText1 != product)
        differences.push_back("product name differs: the listing is for \"" + ShownText(tree.headerText1) +
                              "\", not \"" + ShownText(product) + "\"");
    if (validity->expires <= now)
        differences.push_back("expired on " + UtcTimeText(validity->expires) + "; sign again");

    std::map<std::string, const FileTreeRow*> listed;
    for (std::size_t r = 0; r < tree.rowCount(); ++r) {
        const FileTreeRow& row = *tree.rowAt(r);
        const std::string path = Value(row, kPathValue);
        if (!listed.emplace(path, &row).second)
            differences.push_back(ShownText(path) + ": listed twice");
    }
    for (const HashedFile& file : files) {
        const auto found = listed.find(file.file.path);
        if (found == listed.end()) {
            differences.push_back(ShownText(file.file.path) + ": new, not in the signed listing");
            continue;
        }
        CompareFile(*found->second, file, differences);
        listed.erase(found);
    }
    for (const auto& [path, row] : listed)
        differences.push_back(ShownText(path) + ": missing from the folder");
    return differences;
}

std::string UtcTimeText(std::uint64_t seconds)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    char text[64];
    if (seconds > static_cast<std::uint64_t>(253402300799) || ::gmtime_r(&time, &parts) == nullptr ||
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &parts) == 0)
        return std::to_string(seconds) + " s after 1970 UTC";
    return text;
}

std::string ShownText(const std::string& cp1252)
{
    std::string shown = Utf8FromCp1252(cp1252);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F')
            c = '?';
    }
    return shown;
}
