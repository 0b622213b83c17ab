#pragma once
// The server's file listing in memory: header fields, column descriptions and rows.

#include "filetree/FileTreeColumn.h"
#include "filetree/FileTreeRow.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class FileTree {
public:
    FileTree() = default;
    // Rows point back at their tree, so a tree stays where it was made.
    FileTree(const FileTree&) = delete;
    FileTree& operator=(const FileTree&) = delete;

    // Replaces rows and columns by those of a listing text (a reply body). Never fails as
    // a whole: what cannot be read is left empty, so a reply that is no listing gives
    // headerCode 0 and neither columns nor rows. Rows are then iterated from the first.
    void readListing(std::string_view text);

    std::size_t rowCount() const { return rows_.size(); }
    std::size_t columnCount() const { return columns_.size(); }

    // The first row on the first call, then each following row; nullptr after the last,
    // and the call after that starts again at the first row.
    FileTreeRow* nextRow();

    // Row or column i, or nullptr when i is not less than their number.
    FileTreeRow* rowAt(std::size_t i);
    const FileTreeRow* rowAt(std::size_t i) const;
    FileTreeColumn* columnAt(std::size_t i);
    const FileTreeColumn* columnAt(std::size_t i) const;

    // Appends an empty row or a column with its initial numbers and returns it. A row stays
    // where it is while more are added; a column only until the next column is.
    FileTreeRow& addRow(std::int32_t rowId, bool rowFlag);
    FileTreeColumn& addColumn();

    // Destroys all rows with their values and all columns; header fields and the row
    // cursor stay.
    void clear();

    std::uint32_t headerCode = 1001;
    std::int32_t headerNumber = 0;
    std::string headerText1;
    std::string headerText2;

private:
    // A deque: a row stays where it was made while more are appended, without a heap
    // block of its own (a count can announce thousands of empty rows).
    std::deque<FileTreeRow> rows_;
    // Index of the row nextRow returned last; none before the first call and after the end.
    std::optional<std::size_t> cursor_;
    // One block, made with the first column (a listing announces all its columns at once),
    // where a deque makes a block already when constructed, and a block per three columns.
    std::vector<FileTreeColumn> columns_;
};
