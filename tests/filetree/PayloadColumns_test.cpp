#include "filetree/PayloadColumns.h"

#include "filetree/ListingWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kOld(64, 'a');
const std::string kSha(64, 'b');

TEST(PayloadColumns, ValuesAreReadOnlyInTheirExactForm)
{
    struct Case {
        std::string value;
        bool compressed; // reads as a compressed form
        bool patch;      // reads as a patch
    };
    const Case cases[] = {
        {"17 " + kSha, true, false},
        {"0 " + kSha, true, false},
        {"18446744073709551615 " + kSha, true, false},
        {"18446744073709551616 " + kSha, false, false},
        {"017 " + kSha, false, false},
        {"-1 " + kSha, false, false},
        {"17  " + kSha, false, false},
        {"17 " + std::string(64, 'B'), false, false},
        {"17 " + kSha.substr(1), false, false},
        {"17 " + kSha + " ", false, false},
        {"", false, false},
        {kOld + " 17 " + kSha, false, true},
        {kOld + "  17 " + kSha, false, false},
        {kOld.substr(1) + " 17 " + kSha, false, false},
        {kOld + " 17", false, false},
        {kOld + " x " + kSha, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(ParseCompressedValue(c.value).has_value(), c.compressed);
        EXPECT_EQ(ParsePatchValue(c.value).has_value(), c.patch);
    }
    const PatchForm patch{kOld, {4096, kSha}};
    EXPECT_EQ(FormatPatchValue(patch), kOld + " 4096 " + kSha);
    const auto read = ParsePatchValue(FormatPatchValue(patch));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->oldSha256, kOld);
    EXPECT_EQ(read->patch.size, 4096u);
    EXPECT_EQ(read->patch.sha256, kSha);
}

TEST(PayloadColumns, PayloadAddressesAreAbsoluteOrOnTheUpdateServer)
{
    const std::pair<std::string, bool> cases[] = {
        {"/", true},
        {"/Corvid.brenhold-payload/", true},
        {"http://cdn.example.com/corvid/", true},
        {"https://cdn.example.com:8443/", true},
        {"", false},
        {"/store", false},
        {"cdn.example.com/", false},
        {"ftp://cdn/", false},
        {"/a b/", false},
        {"/\x7F/", false},
        {"/\xE4/", false},
        {"/" + std::string(510, 'a') + "/", true},
        {"/" + std::string(511, 'a') + "/", false},
    };
    for (const auto& [address, valid] : cases) {
        SCOPED_TRACE(address);
        EXPECT_EQ(IsPayloadAddress(address), valid);
    }
}

// The columns are found by key wherever they stand, after the four every client reads by
// position; a row with fewer values, an empty value or a column of another key names nothing.
TEST(PayloadColumns, RowsNameWhatTheirColumnsHold)
{
    FileTree tree;
    StartSignedFileListing(tree, "Corvid", {1, 2});
    AddPayloadColumns(tree, 2);
    tree.addColumn().firstText = "later";
    ASSERT_EQ(tree.columnCount(), 8u);
    EXPECT_EQ(tree.columnAt(4)->firstText, "zstd");
    EXPECT_EQ(tree.columnAt(5)->firstText, "patch");
    EXPECT_EQ(tree.columnAt(6)->firstText, "patch");

    const auto addRow = [&](std::vector<std::string> payloadValues) -> FileTreeRow& {
        AddFileRow(tree, "./a", 1, 10, kSha);
        FileTreeRow& row = *tree.rowAt(tree.rowCount() - 1);
        for (std::string& value : payloadValues)
            row.appendValue(std::move(value));
        return row;
    };
    const FilePayloads all = RowPayloads(
        tree, addRow({"5 " + kSha, "", kOld + " 3 " + kSha, std::string(kOld + " 3 " + kSha)}));
    ASSERT_TRUE(all.compressed.has_value());
    EXPECT_EQ(all.compressed->size, 5u);
    ASSERT_EQ(all.patches.size(), 1u); // the column "later" is not read as a patch
    EXPECT_EQ(all.patches[0].patch.size, 3u);

    const FilePayloads none = RowPayloads(tree, addRow({}));
    EXPECT_FALSE(none.compressed.has_value());
    EXPECT_TRUE(none.patches.empty());
    const FilePayloads spoilt = RowPayloads(tree, addRow({"5 " + kSha.substr(2), "x"}));
    EXPECT_FALSE(spoilt.compressed.has_value());
    EXPECT_TRUE(spoilt.patches.empty());

    // The written listing reads back with the same payloads.
    std::string text;
    ASSERT_TRUE(WriteListing(tree, "p", text));
    FileTree read;
    read.readListing(text);
    const FilePayloads again = RowPayloads(read, *read.rowAt(0));
    ASSERT_TRUE(again.compressed.has_value());
    EXPECT_EQ(again.patches.size(), 1u);
}

} // namespace
