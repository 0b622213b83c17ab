#include "filetree/PayloadColumns.h"

#include "text/CharClass.h"
#include "text/StringUtil.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::int32_t kCompressedLongest = 85; // 20 digits, a space, 64 hex digits
constexpr std::int32_t kPatchLongest = 150;

void AddColumn(FileTree& tree, std::int32_t longest, const char* key, const char* caption)
{
    FileTreeColumn& column = tree.addColumn();
    column.firstNumber = static_cast<std::int32_t>(tree.columnCount() - 1);
    column.secondNumber = longest;
    column.firstText = key;
    column.secondText = caption;
    column.thirdText = "zstd";
}

} // namespace

bool IsSha256Hex(std::string_view text)
{
    return text.size() == 64 &&
           std::all_of(text.begin(), text.end(), [](char c) { return IsDigit(c) || (c >= 'a' && c <= 'f'); });
}

bool IsPayloadAddress(std::string_view text)
{
    const bool printable = std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < '\x7F'; });
    const bool start = text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0 || text.rfind('/', 0) == 0;
    return printable && start && text.size() <= kLongestPayloadAddress && text.back() == '/';
}

void AddPayloadColumns(FileTree& tree, std::size_t patchColumns)
{
    AddColumn(tree, kCompressedLongest, kCompressedColumnKey, "Komprimiert");
    for (std::size_t i = 0; i < patchColumns; ++i)
        AddColumn(tree, kPatchLongest, kPatchColumnKey, "Patch");
}

std::string FormatCompressedValue(const PayloadForm& form)
{
    return std::to_string(form.size) + " " + form.sha256;
}

std::string FormatPatchValue(const PatchForm& form)
{
    return form.oldSha256 + " " + FormatCompressedValue(form.patch);
}

std::optional<PayloadForm> ParseCompressedValue(std::string_view value)
{
    const std::size_t space = value.find(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    const auto size = ParseDecimal64(value.substr(0, space));
    const std::string_view sha = value.substr(space + 1);
    if (!size || !IsSha256Hex(sha))
        return std::nullopt;
    return PayloadForm{*size, std::string(sha)};
}

std::optional<PatchForm> ParsePatchValue(std::string_view value)
{
    if (value.size() < 65 || value[64] != ' ' || !IsSha256Hex(value.substr(0, 64)))
        return std::nullopt;
    const auto patch = ParseCompressedValue(value.substr(65));
    if (!patch)
        return std::nullopt;
    return PatchForm{std::string(value.substr(0, 64)), *patch};
}

FilePayloads RowPayloads(const FileTree& tree, const FileTreeRow& row)
{
    FilePayloads payloads;
    for (std::size_t i = 0; i < tree.columnCount() && i < row.valueCount(); ++i) {
        const std::string& key = tree.columnAt(i)->firstText;
        const std::string& value = row.valueAt(i)->text;
        if (key == kCompressedColumnKey && !payloads.compressed)
            payloads.compressed = ParseCompressedValue(value);
        else if (key == kPatchColumnKey) {
            if (auto patch = ParsePatchValue(value))
                payloads.patches.push_back(std::move(*patch));
        }
    }
    return payloads;
}
