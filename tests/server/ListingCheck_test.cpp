#include "ListingCheck.h"

#include "filetree/ListingWriter.h"

#include <gtest/gtest.h>

namespace {

TEST(ListingCheck, ListingIsValidUntilItsExpiry)
{
    FileTree tree;
    StartSignedFileListing(tree, "Corvid", {3, 86400});
    const std::pair<std::uint64_t, std::vector<std::string>> cases[] = {
        {0, {}},
        {86399, {}},
        {86400, {"expired on 1970-01-02 00:00 UTC; sign again"}},
        {4000000000u, {"expired on 1970-01-02 00:00 UTC; sign again"}},
    };
    for (const auto& [now, report] : cases) {
        SCOPED_TRACE(now);
        EXPECT_EQ(ListingDifferences(tree, "Corvid", {}, now), report);
    }
}

TEST(ListingCheck, OnlyASignedFileListingIsCompared)
{
    FileTree unsignedTree;
    StartFileListing(unsignedTree, "Corvid");
    AddFileRow(unsignedTree, "./a", 1, 1);
    EXPECT_EQ(ListingDifferences(unsignedTree, "Corvid", {}, 0),
              std::vector<std::string>{"not a signed file listing (header 15 1 \"files\")"});
    EXPECT_FALSE(SignedListingValidity(unsignedTree).has_value());

    FileTree twice;
    StartSignedFileListing(twice, "Corvid", {1, 10});
    AddFileRow(twice, "./a", 1, 1, std::string(64, '0'));
    AddFileRow(twice, "./a", 1, 1, std::string(64, '0'));
    const std::vector<HashedFile> files = {{{"./a", 1, 1}, std::string(64, '0')}};
    EXPECT_EQ(ListingDifferences(twice, "Corvid", files, 0), std::vector<std::string>{"./a: listed twice"});
    EXPECT_EQ(SignedListingValidity(twice)->serial, 1u);
}

} // namespace
