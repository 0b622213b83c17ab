#include "filetree/ListingWriter.h"

#include "filetree/ListingFormat.h"
#include "filetree/SignedListing.h"

#include <charconv>
#include <string>

namespace {

using namespace listing;

constexpr char kFileListingPreamble[] = "jobgate file listing";
constexpr std::uint32_t kFileListingCode = 15;
constexpr std::int32_t kFileListingLayout = 1;
constexpr int kPlainText = 0;

struct ColumnShape {
    std::int32_t longest;
    std::int32_t typeCode;
    const char* key;
    const char* caption;
    const char* unit;
};

constexpr ColumnShape kFileColumns[] = {
    {1022, kPlainText, "path", "Datei", ""},
    {10, kPlainText, "mtime", "Geändert", "Sekunden seit 1970 UTC"},
    {20, TypedValue::kGrouped, "size", "Größe", "Bytes"},
};

// The column a signed listing adds after those of kFileColumns.
constexpr ColumnShape kHashColumn = {64, kPlainText, "sha256", "Prüfsumme", "SHA-256"};

void AddColumn(FileTree& tree, const ColumnShape& shape)
{
    FileTreeColumn& column = tree.addColumn();
    column.firstNumber = static_cast<std::int32_t>(tree.columnCount() - 1);
    column.secondNumber = shape.longest;
    column.typeCode = shape.typeCode;
    column.firstText = shape.key;
    column.secondText = shape.caption;
    column.thirdText = shape.unit;
}

// Appends fields to the end of a text and remembers whether each would read back as
// written; a listing that does not is taken back out of the text again.
class FieldAppender {
public:
    explicit FieldAppender(std::string& out) : out_(out), start_(out.size()) {}

    void text(std::string_view s, std::size_t limit = kTextLimit)
    {
        fits_ = fits_ && s.size() <= limit && FitsListingField(s);
        out_.append(s);
        out_ += kFieldTerminator;
    }

    // Through a buffer of its own rather than a string: a listing holds several numbers
    // per row, and none of them can hold byte 03 or a zero byte.
    template <typename Number> void number(Number n, std::size_t limit)
    {
        char digits[24];
        const std::size_t length =
            static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, n).ptr - digits);
        fits_ = fits_ && length <= limit;
        digits[length] = kFieldTerminator;
        out_.append(digits, length + 1);
    }

    // Whether every field fits; when one does not, what was appended is removed again.
    bool finish()
    {
        if (!fits_)
            out_.resize(start_);
        return fits_;
    }

private:
    std::string& out_;
    std::size_t start_;
    bool fits_ = true;
};

} // namespace

bool FitsListingField(std::string_view text)
{
    return text.size() <= kTextLimit && text.find(kFieldTerminator) == std::string_view::npos &&
           text.find('\0') == std::string_view::npos;
}

bool WriteListingBody(const FileTree& tree, std::string& out)
{
    FieldAppender field(out);
    field.number(tree.headerCode, kHeaderCodeLimit);
    field.number(tree.headerNumber, kHeaderNumberLimit);
    field.text(tree.headerText1);
    field.text(tree.headerText2);

    field.number(tree.columnCount(), kCountLimit);
    for (std::size_t c = 0; c < tree.columnCount(); ++c) {
        const FileTreeColumn& column = *tree.columnAt(c);
        field.number(column.firstNumber, kTextLimit);
        field.number(column.secondNumber, kTextLimit);
        field.number(column.typeCode, kTextLimit);
        field.text(column.firstText);
        field.text(column.secondText);
        field.text(column.thirdText);
        field.text(column.fourthText);
    }

    field.number(tree.rowCount(), kCountLimit);
    for (std::size_t r = 0; r < tree.rowCount(); ++r) {
        const FileTreeRow& row = *tree.rowAt(r);
        field.number(row.rowId, kRowIdLimit);
        field.number(row.rowFlag ? 1 : 0, kRowFlagLimit);
        field.number(row.valueCount(), kValueCountLimit);
        for (std::size_t v = 0; v < row.valueCount(); ++v)
            field.text(row.valueAt(v)->text);
    }
    return field.finish();
}

bool WriteListing(const FileTree& tree, std::string_view preamble, std::string& out)
{
    if (preamble.size() > kTextLimit || preamble.find(kPreambleTerminator) != std::string_view::npos)
        return false;
    const std::size_t start = out.size();
    out.append(preamble);
    out += kPreambleTerminator;
    if (WriteListingBody(tree, out))
        return true;
    out.resize(start);
    return false;
}

void StartFileListing(FileTree& tree, const std::string& product)
{
    tree.clear();
    tree.headerCode = kFileListingCode;
    tree.headerNumber = kFileListingLayout;
    tree.headerText1 = product;
    tree.headerText2 = "files";
    for (const ColumnShape& shape : kFileColumns)
        AddColumn(tree, shape);
}

void StartSignedFileListing(FileTree& tree, const std::string& product, const ListingValidity& validity)
{
    StartFileListing(tree, product);
    tree.headerNumber = kSignedListingLayout;
    tree.headerText2 = FormatValidity(validity);
    AddColumn(tree, kHashColumn);
}

void AddFileRow(FileTree& tree, const std::string& path, std::uint32_t time, std::uint64_t size)
{
    FileTreeRow& row = tree.addRow(static_cast<std::int32_t>(tree.rowCount() + 1), false);
    row.appendValue(path);
    row.appendValue(std::to_string(time));
    row.appendValue(std::to_string(size));
}

void AddFileRow(FileTree& tree, const std::string& path, std::uint32_t time, std::uint64_t size,
                const std::string& sha256Hex)
{
    AddFileRow(tree, path, time, size);
    tree.rowAt(tree.rowCount() - 1)->appendValue(sha256Hex);
}

bool WriteFileListing(const FileTree& tree, std::string& out)
{
    return WriteListing(tree, kFileListingPreamble, out);
}
