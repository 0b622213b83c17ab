#include "ListingText.h"

#include "filetree/ListingWriter.h"

std::string ListingOf(const std::string& product, const std::vector<ListedFile>& files)
{
    FileTree tree;
    StartFileListing(tree, product);
    for (const ListedFile& file : files)
        AddFileRow(tree, file.path, file.time, file.size);
    std::string text;
    WriteFileListing(tree, text);
    return text;
}
