// Feeds arbitrary bytes to the listing reader. Beyond the sanitizers' checks: counts never
// create more entries than the text could describe, and every tree that was read writes
// out and reads back to the same tree.
#include "filetree/FileTree.h"
#include "filetree/ListingWriter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool SameColumns(const FileTreeColumn& a, const FileTreeColumn& b)
{
    return a.typeCode == b.typeCode && a.firstNumber == b.firstNumber && a.secondNumber == b.secondNumber &&
           a.firstText == b.firstText && a.secondText == b.secondText && a.thirdText == b.thirdText &&
           a.fourthText == b.fourthText;
}

bool SameRows(const FileTreeRow& a, const FileTreeRow& b)
{
    if (a.rowId != b.rowId || a.rowFlag != b.rowFlag || a.valueCount() != b.valueCount())
        return false;
    for (std::size_t v = 0; v < a.valueCount(); ++v) {
        if (a.valueAt(v)->text != b.valueAt(v)->text || a.valueAt(v)->type != b.valueAt(v)->type)
            return false;
    }
    return true;
}

bool SameTrees(const FileTree& a, const FileTree& b)
{
    if (a.headerCode != b.headerCode || a.headerNumber != b.headerNumber || a.headerText1 != b.headerText1 ||
        a.headerText2 != b.headerText2 || a.columnCount() != b.columnCount() || a.rowCount() != b.rowCount())
        return false;
    for (std::size_t c = 0; c < a.columnCount(); ++c) {
        if (!SameColumns(*a.columnAt(c), *b.columnAt(c)))
            return false;
    }
    for (std::size_t r = 0; r < a.rowCount(); ++r) {
        if (!SameRows(*a.rowAt(r), *b.rowAt(r)))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FileTree tree;
    tree.readListing(std::string_view(reinterpret_cast<const char*>(data), size));
    if (tree.columnCount() > size / 7 || tree.rowCount() > size / 3)
        __builtin_trap();

    std::string written;
    if (!WriteListing(tree, "", written))
        __builtin_trap();
    FileTree again;
    again.readListing(written);
    if (!SameTrees(tree, again))
        __builtin_trap();
    return 0;
}
