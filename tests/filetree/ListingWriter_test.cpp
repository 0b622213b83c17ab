#include "filetree/ListingWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void ExpectSameTrees(const FileTree& a, const FileTree& b)
{
    EXPECT_EQ(a.headerCode, b.headerCode);
    EXPECT_EQ(a.headerNumber, b.headerNumber);
    EXPECT_EQ(a.headerText1, b.headerText1);
    EXPECT_EQ(a.headerText2, b.headerText2);
    ASSERT_EQ(a.columnCount(), b.columnCount());
    for (std::size_t c = 0; c < a.columnCount(); ++c) {
        const FileTreeColumn& x = *a.columnAt(c);
        const FileTreeColumn& y = *b.columnAt(c);
        EXPECT_EQ(x.firstNumber, y.firstNumber);
        EXPECT_EQ(x.secondNumber, y.secondNumber);
        EXPECT_EQ(x.typeCode, y.typeCode);
        EXPECT_EQ(x.firstText, y.firstText);
        EXPECT_EQ(x.secondText, y.secondText);
        EXPECT_EQ(x.thirdText, y.thirdText);
        EXPECT_EQ(x.fourthText, y.fourthText);
    }
    ASSERT_EQ(a.rowCount(), b.rowCount());
    for (std::size_t r = 0; r < a.rowCount(); ++r) {
        const FileTreeRow& x = *a.rowAt(r);
        const FileTreeRow& y = *b.rowAt(r);
        EXPECT_EQ(x.rowId, y.rowId);
        EXPECT_EQ(x.rowFlag, y.rowFlag);
        ASSERT_EQ(x.valueCount(), y.valueCount());
        for (std::size_t v = 0; v < x.valueCount(); ++v) {
            EXPECT_EQ(x.valueAt(v)->text, y.valueAt(v)->text);
            EXPECT_EQ(x.valueAt(v)->type, y.valueAt(v)->type);
        }
    }
}

TEST(ListingWriter, FileListingHasTheDocumentedLayout)
{
    FileTree tree;
    StartFileListing(tree, "Corvid");
    AddFileRow(tree, "./Corvid.exe", 1700000000, 12345);
    std::string text = "keep";
    ASSERT_TRUE(WriteFileListing(tree, text));
    EXPECT_EQ(text, "keep"
                    "jobgate file listing\x04"
                    "15\x03"
                    "1\x03"
                    "Corvid\x03"
                    "files\x03"
                    "3\x03"
                    "0\x03"
                    "1022\x03"
                    "0\x03"
                    "path\x03"
                    "Datei\x03\x03\x03"
                    "1\x03"
                    "10\x03"
                    "0\x03"
                    "mtime\x03"
                    "Ge\xE4ndert\x03"
                    "Sekunden seit 1970 UTC\x03\x03"
                    "2\x03"
                    "20\x03"
                    "1\x03"
                    "size\x03"
                    "Gr\xF6\xDF"
                    "e\x03"
                    "Bytes\x03\x03"
                    "1\x03"
                    "1\x03"
                    "0\x03"
                    "3\x03"
                    "./Corvid.exe\x03"
                    "1700000000\x03"
                    "12345\x03");
}

TEST(ListingWriter, WrittenListingsReadBackUnchanged)
{
    FileTree tree;
    StartFileListing(tree, "K\xE4"
                           "fer");
    AddFileRow(tree, "./Corvid.exe", 0, 0);
    AddFileRow(tree,
               "./Hilfe/\xDC"
               "ber.txt",
               4294967295u, 40000000000ull);
    FileTreeRow& odd = tree.addRow(-7, true);
    odd.appendValue("");
    odd.appendValue(std::string(1022, 'z'));
    odd.appendValue("a");
    odd.appendValue("b");
    tree.addRow(2147483647, false);
    tree.headerCode = 4294967295u;
    tree.headerNumber = -999999999;
    tree.columnAt(1)->fourthText = "\x04\x80";

    std::string text;
    ASSERT_TRUE(WriteFileListing(tree, text));
    FileTree back;
    back.readListing(text);
    ExpectSameTrees(tree, back);
    EXPECT_EQ(back.rowAt(1)->valueAt(2)->type, TypedValue::kGrouped);
}

TEST(ListingWriter, RefusesTextsThatWouldNotReadBack)
{
    const std::string unfit[] = {std::string(1023, 'x'),
                                 "a\x03"
                                 "b",
                                 std::string("a\0b", 3)};
    for (const std::string& text : unfit) {
        SCOPED_TRACE(text.size());
        EXPECT_FALSE(FitsListingField(text));
        FileTree tree;
        tree.addRow(1, false).appendValue(text);
        std::string out = "kept";
        EXPECT_FALSE(WriteListing(tree, "", out));
        EXPECT_EQ(out, "kept");
    }
    FileTree tree;
    std::string out;
    EXPECT_FALSE(WriteListing(tree, "pre\x04", out));
    tree.headerNumber = -2147483647 - 1;
    EXPECT_FALSE(WriteListing(tree, "", out));
    tree.headerNumber = 0;
    tree.addRow(-1000000000, false);
    EXPECT_FALSE(WriteListing(tree, "", out));
    tree.clear();
    EXPECT_TRUE(WriteListing(tree, "pre\x03", out));
    EXPECT_TRUE(FitsListingField(std::string(1022, 'x')));
}

TEST(ListingWriter, LargeListingReadsBack)
{
    FileTree tree;
    StartFileListing(tree, "Corvid");
    for (std::uint32_t i = 0; i < 20000; ++i)
        AddFileRow(tree, "./data/file" + std::to_string(i) + ".bin", i * 7, i * 1000ull);
    std::string text;
    ASSERT_TRUE(WriteFileListing(tree, text));
    FileTree back;
    back.readListing(text);
    ExpectSameTrees(tree, back);
}

} // namespace
