#include "filetree/FileTreeRow.h"

#include "filetree/FileTree.h"

TypedValue* FileTreeRow::valueAt(std::size_t i)
{
    return i < values_.size() ? &values_[i] : nullptr;
}

const TypedValue* FileTreeRow::valueAt(std::size_t i) const
{
    return i < values_.size() ? &values_[i] : nullptr;
}

TypedValue& FileTreeRow::appendValue(std::string text)
{
    TypedValue& value = values_.emplace_back(std::move(text));
    if (const FileTreeColumn* column = owner_->columnAt(values_.size() - 1))
        value.type = column->typeCode;
    return value;
}
