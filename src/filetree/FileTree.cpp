#include "filetree/FileTree.h"

#include "filetree/ListingFormat.h"
#include "filetree/ListingReader.h"

#include <algorithm>

namespace {

using namespace listing;

// The fewest bytes a column description (seven terminators) and a row (id, flag and
// value count) take in a listing; a value takes at least its terminator.
constexpr std::size_t kSmallestColumn = 7;
constexpr std::size_t kSmallestRow = 3;
constexpr std::size_t kSmallestValue = 1;

// Counts are signed in the listing and used as unsigned, so "-1" announces about four
// billion entries. A count still creates the entries the text does not hold (they stay
// empty), but never more than the whole text could describe with entries in their
// smallest form; so memory stays in proportion to the length of the reply.
std::size_t BoundedCount(std::int32_t announced, std::size_t textLength, std::size_t smallestEntry)
{
    return std::min<std::size_t>(static_cast<std::uint32_t>(announced), textLength / smallestEntry);
}

} // namespace

void FileTree::readListing(std::string_view text)
{
    clear();
    cursor_.reset();
    ListingReader in(text);

    in.field(kTextLimit, kPreambleTerminator);
    headerCode = in.unsignedNumber(kHeaderCodeLimit);
    headerNumber = in.signedNumber(kHeaderNumberLimit);
    headerText1 = in.field(kTextLimit);
    headerText2 = in.field(kTextLimit);

    const std::size_t columns = BoundedCount(in.signedNumber(kCountLimit), text.size(), kSmallestColumn);
    columns_.reserve(columns);
    // The entries announced beyond the end of what could be read keep their initial
    // values (every field would read empty) and are made all at once.
    for (std::size_t c = 0; c < columns; ++c) {
        if (in.failed()) {
            columns_.resize(columns);
            break;
        }
        FileTreeColumn& column = addColumn();
        column.firstNumber = in.signedNumber(kTextLimit);
        column.secondNumber = in.signedNumber(kTextLimit);
        column.typeCode = in.signedNumber(kTextLimit);
        column.firstText = in.field(kTextLimit);
        column.secondText = in.field(kTextLimit);
        column.thirdText = in.field(kTextLimit);
        column.fourthText = in.field(kTextLimit);
    }

    const std::size_t rows = BoundedCount(in.signedNumber(kCountLimit), text.size(), kSmallestRow);
    for (std::size_t r = 0; r < rows; ++r) {
        if (in.failed()) {
            rows_.resize(rows, FileTreeRow(*this, 0, false));
            break;
        }
        FileTreeRow& row = addRow(0, false);
        row.rowId = in.signedNumber(kRowIdLimit);
        row.rowFlag = in.signedNumber(kRowFlagLimit) != 0;
        const std::size_t values =
            BoundedCount(in.signedNumber(kValueCountLimit), text.size(), kSmallestValue);
        row.reserveValues(values);
        for (std::size_t v = 0; v < values; ++v)
            row.appendValue(in.field(kTextLimit));
    }
}

FileTreeRow* FileTree::nextRow()
{
    const std::size_t next = cursor_ ? *cursor_ + 1 : 0;
    if (next >= rows_.size()) {
        cursor_.reset();
        return nullptr;
    }
    cursor_ = next;
    return &rows_[next];
}

FileTreeRow* FileTree::rowAt(std::size_t i)
{
    return i < rows_.size() ? &rows_[i] : nullptr;
}

const FileTreeRow* FileTree::rowAt(std::size_t i) const
{
    return i < rows_.size() ? &rows_[i] : nullptr;
}

FileTreeColumn* FileTree::columnAt(std::size_t i)
{
    return i < columns_.size() ? &columns_[i] : nullptr;
}

const FileTreeColumn* FileTree::columnAt(std::size_t i) const
{
    return i < columns_.size() ? &columns_[i] : nullptr;
}

FileTreeRow& FileTree::addRow(std::int32_t rowId, bool rowFlag)
{
    return rows_.emplace_back(*this, rowId, rowFlag);
}

FileTreeColumn& FileTree::addColumn()
{
    return columns_.emplace_back();
}

void FileTree::clear()
{
    rows_.clear();
    columns_.clear();
}
