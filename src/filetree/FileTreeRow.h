#pragma once
// One row of the server's listing: an id, a flag and a list of values.

#include "text/TypedValue.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FileTree;

class FileTreeRow {
public:
    // A row without values of the given tree, which lends its columns' type codes.
    FileTreeRow(const FileTree& owner, std::int32_t id, bool flag) : rowFlag(flag), rowId(id), owner_(&owner)
    {}

    // Value i, or nullptr when i is not less than the number of values.
    TypedValue* valueAt(std::size_t i);
    const TypedValue* valueAt(std::size_t i) const;

    std::size_t valueCount() const { return values_.size(); }

    // Makes room for count values in one allocation.
    void reserveValues(std::size_t count) { values_.reserve(count); }

    // Appends a value whose type is the typeCode of the column at its position, or 0
    // when the tree has no such column; returns it.
    TypedValue& appendValue(std::string text);

    bool rowFlag;
    std::int32_t rowId;

private:
    const FileTree* owner_;
    std::vector<TypedValue> values_;
};
