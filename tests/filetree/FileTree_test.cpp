#include "filetree/FileTree.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

// A listing text: the preamble ended by byte 04, then each field ended by byte 03.
std::string Listing(std::initializer_list<std::string> fields, const std::string& preamble = "")
{
    std::string text = preamble + '\x04';
    for (const std::string& field : fields)
        text += field + '\x03';
    return text;
}

std::string Value(const FileTree& tree, std::size_t row, std::size_t value)
{
    return tree.rowAt(row)->valueAt(value)->text;
}

TEST(FileTree, NewTreeIsEmpty)
{
    FileTree tree;
    EXPECT_EQ(tree.headerCode, 1001u);
    EXPECT_EQ(tree.headerNumber, 0);
    EXPECT_EQ(tree.rowCount(), 0u);
    EXPECT_EQ(tree.columnAt(0), nullptr);
    EXPECT_EQ(tree.nextRow(), nullptr);
}

TEST(FileTree, ReadsHeaderAndRowWithoutColumns)
{
    FileTree tree;
    tree.readListing(Listing({"7", "0", "", "", "0", "1", "5", "1", "2", "a", "b"}));
    EXPECT_EQ(tree.headerCode, 7u);
    EXPECT_EQ(tree.headerNumber, 0);
    EXPECT_EQ(tree.headerText1, "");
    EXPECT_EQ(tree.columnCount(), 0u);
    ASSERT_EQ(tree.rowCount(), 1u);
    const FileTreeRow& row = *tree.rowAt(0);
    EXPECT_EQ(row.rowId, 5);
    EXPECT_TRUE(row.rowFlag);
    ASSERT_EQ(row.valueCount(), 2u);
    EXPECT_EQ(row.valueAt(0)->text, "a");
    EXPECT_EQ(row.valueAt(1)->text, "b");
    EXPECT_EQ(row.valueAt(0)->type, 0);
    EXPECT_EQ(row.valueAt(1)->type, 0);
    EXPECT_EQ(row.valueAt(1)->decimals, -1);
    EXPECT_EQ(row.valueAt(2), nullptr);
}

TEST(FileTree, ReadsColumnsAndLendsTheirTypeCodes)
{
    FileTree tree;
    tree.readListing(Listing({"15",    "-3", "Corvid", "files", "2", // header, two columns
                              "10",    "20", "1",      "t1",    "t2",
                              "t3",    "t4", //
                              "11",    "21", "4",      "u1",    "u2",
                              "u3",    "u4", //
                              "1",     "9",  "0",      "3",     "./Corvid.exe",
                              "1.234", "x"}, // one row
                             "preamble text"));
    EXPECT_EQ(tree.headerCode, 15u);
    EXPECT_EQ(tree.headerNumber, -3);
    EXPECT_EQ(tree.headerText1, "Corvid");
    EXPECT_EQ(tree.headerText2, "files");
    ASSERT_EQ(tree.columnCount(), 2u);
    const FileTreeColumn& first = *tree.columnAt(0);
    EXPECT_EQ(first.firstNumber, 10);
    EXPECT_EQ(first.secondNumber, 20);
    EXPECT_EQ(first.typeCode, 1);
    EXPECT_EQ(first.firstText, "t1");
    EXPECT_EQ(first.secondText, "t2");
    EXPECT_EQ(first.thirdText, "t3");
    EXPECT_EQ(first.fourthText, "t4");
    EXPECT_EQ(first.localNumbers, (std::array<std::int32_t, 3>{80, -1, 0}));
    EXPECT_EQ(tree.columnAt(1)->typeCode, 4);
    EXPECT_EQ(tree.columnAt(2), nullptr);

    ASSERT_EQ(tree.rowCount(), 1u);
    EXPECT_EQ(tree.rowAt(0)->rowId, 9);
    EXPECT_FALSE(tree.rowAt(0)->rowFlag);
    EXPECT_EQ(Value(tree, 0, 0), "./Corvid.exe");
    EXPECT_EQ(tree.rowAt(0)->valueAt(0)->type, 1);
    EXPECT_EQ(tree.rowAt(0)->valueAt(1)->type, 4);
    EXPECT_EQ(tree.rowAt(0)->valueAt(2)->type, 0);
}

TEST(FileTree, TwoCharacterRowFlagStopsTheReader)
{
    FileTree tree;
    tree.readListing(Listing({"7", "0", "", "", "0", "2", "5", "10", "2", "a", "b"}));
    ASSERT_EQ(tree.rowCount(), 2u);
    EXPECT_EQ(tree.rowAt(0)->rowId, 5);
    EXPECT_TRUE(tree.rowAt(0)->rowFlag);
    EXPECT_EQ(tree.rowAt(0)->valueCount(), 0u);
    EXPECT_EQ(tree.rowAt(1)->rowId, 0);
    EXPECT_FALSE(tree.rowAt(1)->rowFlag);
    EXPECT_EQ(tree.rowAt(1)->valueCount(), 0u);
}

TEST(FileTree, AnnouncedEntriesBeyondTheTextAreMadeEmpty)
{
    FileTree tree;
    tree.readListing(Listing({"7", "0", "", "", "0", "3", "5", "1", "1", "a"}));
    ASSERT_EQ(tree.rowCount(), 3u);
    EXPECT_EQ(Value(tree, 0, 0), "a");
    EXPECT_EQ(tree.rowAt(1)->valueCount(), 0u);
    EXPECT_EQ(tree.rowAt(2)->valueCount(), 0u);

    // Two columns announced, one and a half present: the second keeps what it read.
    tree.readListing(Listing({"1", "2", "h1", "h2", "2", "1", "2", "3", "a", "b", "c", "d", "4", "5"}));
    ASSERT_EQ(tree.columnCount(), 2u);
    EXPECT_EQ(tree.columnAt(0)->fourthText, "d");
    EXPECT_EQ(tree.columnAt(1)->firstNumber, 4);
    EXPECT_EQ(tree.columnAt(1)->secondNumber, 5);
    EXPECT_EQ(tree.columnAt(1)->typeCode, 0);
    EXPECT_EQ(tree.columnAt(1)->firstText, "");
    EXPECT_EQ(tree.rowCount(), 0u);
}

TEST(FileTree, RepliesThatAreNoListingGiveNothing)
{
    const std::string replies[] = {
        "",
        "<html><body>500 Internal Server Error</body></html>",
        std::string(5000, 'x'),
        "\x04",
    };
    for (const std::string& reply : replies) {
        SCOPED_TRACE(reply.substr(0, 20));
        FileTree tree;
        tree.readListing(reply);
        EXPECT_EQ(tree.headerCode, 0u);
        EXPECT_EQ(tree.columnCount(), 0u);
        EXPECT_EQ(tree.rowCount(), 0u);
    }
}

TEST(FileTree, OverlongFieldEmptiesEverythingAfterIt)
{
    const std::string longText(1023, 'p');
    FileTree tree;
    tree.readListing(Listing({"1", "2", longText, "h2", "1"}));
    EXPECT_EQ(tree.headerCode, 1u);
    EXPECT_EQ(tree.headerText1, std::string(1022, 'p'));
    EXPECT_EQ(tree.headerText2, "");
    EXPECT_EQ(tree.rowCount(), 0u);

    // Exactly the limit followed by its terminator reads normally.
    tree.readListing(Listing({"1", "2", std::string(1022, 'q'), "h2"}));
    EXPECT_EQ(tree.headerText1, std::string(1022, 'q'));
    EXPECT_EQ(tree.headerText2, "h2");

    // A preamble longer than its limit leaves the whole listing unread.
    tree.readListing(Listing({"1", "2"}, longText));
    EXPECT_EQ(tree.headerCode, 0u);
}

struct NumberCase {
    const char* code;
    const char* number;
    std::uint32_t headerCode;
    std::int32_t headerNumber;
};

TEST(FileTree, ReadsHeaderNumbersLikeTheCLibrary)
{
    const NumberCase cases[] = {
        {"  +42x", " -12abc", 42, -12},
        {"-1", "-2147483648", 4294967295u, -214748364}, // ten bytes read, then the reader fails
        {"9999999999999999999", "2147483648", 4294967295u, 2147483647},
        {"1", "-999999999", 1, -999999999},
        {"-4294967295", "-999999999", 1, -999999999},
        {"abc", "", 0, 0},
        {"1.234", "\t7", 1, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.code) + " / " + c.number);
        FileTree tree;
        tree.readListing(Listing({c.code, c.number, "", ""}));
        EXPECT_EQ(tree.headerCode, c.headerCode);
        EXPECT_EQ(tree.headerNumber, c.headerNumber);
    }
}

TEST(FileTree, HeaderNumberLongerThanTenBytesStopsTheReader)
{
    FileTree tree;
    tree.readListing(Listing({"1", "12345678901", "text", ""}));
    EXPECT_EQ(tree.headerNumber, 1234567890);
    EXPECT_EQ(tree.headerText1, "");
}

TEST(FileTree, ValueIsCutAtAZeroByte)
{
    FileTree tree;
    tree.readListing(Listing({"1", "0", "", "", "0", "1", "1", "0", "2", std::string("ab\0cd", 5), "e"}));
    ASSERT_EQ(tree.rowCount(), 1u);
    EXPECT_EQ(Value(tree, 0, 0), "ab");
    EXPECT_EQ(Value(tree, 0, 1), "e");
}

TEST(FileTree, HugeCountsCreateEntriesOnlyInProportionToTheText)
{
    for (const char* count : {"-1", "2147483647", "-2147483648"}) {
        SCOPED_TRACE(count);
        const std::string columns = Listing({"1", "0", "", "", count});
        const std::string rows = Listing({"1", "0", "", "", "0", count, "1", "1", count});
        FileTree tree;
        tree.readListing(columns);
        EXPECT_EQ(tree.columnCount(), columns.size() / 7);
        tree.readListing(rows);
        EXPECT_EQ(tree.rowCount(), rows.size() / 3);
        // The first row's value count is bounded by the text's length as well.
        EXPECT_EQ(tree.rowAt(0)->valueCount(), rows.size());
    }
}

TEST(FileTree, ReadingReplacesRowsAndColumns)
{
    FileTree tree;
    tree.readListing(
        Listing({"1", "0", "", "", "1", "0", "0", "1", "a", "b", "c", "d", "1", "1", "1", "1", "x"}));
    ASSERT_EQ(tree.rowCount(), 1u);
    tree.readListing(Listing({"2", "0", "", "", "0", "0"}));
    EXPECT_EQ(tree.headerCode, 2u);
    EXPECT_EQ(tree.columnCount(), 0u);
    EXPECT_EQ(tree.rowCount(), 0u);
}

TEST(FileTree, NextRowCyclesThroughTheRows)
{
    FileTree tree;
    FileTreeRow& first = tree.addRow(1, false);
    FileTreeRow& second = tree.addRow(2, true);
    EXPECT_EQ(tree.nextRow(), &first);
    EXPECT_EQ(tree.nextRow(), &second);
    EXPECT_EQ(tree.nextRow(), nullptr);
    EXPECT_EQ(tree.nextRow(), &first);
}

TEST(FileTree, ClearKeepsHeaderAndCursorWhileReadingRestarts)
{
    FileTree tree;
    tree.headerCode = 3;
    tree.addRow(1, false);
    tree.addRow(2, false);
    tree.addRow(3, false);
    tree.nextRow();
    tree.clear();
    EXPECT_EQ(tree.headerCode, 3u);
    tree.addRow(4, false);
    tree.addRow(5, false);
    EXPECT_EQ(tree.nextRow()->rowId, 5); // the cursor stayed on the first position

    tree.readListing(Listing({"1", "0", "", "", "0", "2", "6", "0", "0", "7", "0", "0"}));
    EXPECT_EQ(tree.nextRow()->rowId, 6);
    EXPECT_EQ(tree.nextRow()->rowId, 7);
}

TEST(FileTree, AddedValuesTakeTheirColumnsType)
{
    FileTree tree;
    tree.addColumn().typeCode = 5;
    FileTreeRow& row = tree.addRow(0, false);
    EXPECT_EQ(row.appendValue("1,5").type, 5);
    EXPECT_EQ(row.appendValue("x").type, 0);
}

} // namespace
