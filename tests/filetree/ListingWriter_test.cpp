#include "filetree/ListingWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The three columns of every file listing, as written: position, longest text, type code,
// key, caption, unit and an empty fourth text.
const std::string kFileColumns = "0\x03"
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
                                 "Bytes\x03\x03";

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
                    "3\x03" +
                        kFileColumns +
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
    // A number too long for its field is refused as well, and what the output held stays.
    FileTree tree;
    std::string out = "kept";
    EXPECT_FALSE(WriteListing(tree, "pre\x04", out));
    tree.headerNumber = -2147483647 - 1;
    EXPECT_FALSE(WriteListing(tree, "", out));
    tree.headerNumber = 0;
    tree.addRow(-1000000000, false);
    EXPECT_FALSE(WriteListing(tree, "", out));
    EXPECT_FALSE(WriteListingBody(tree, out));
    EXPECT_EQ(out, "kept");
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

TEST(ListingWriter, SignedListingBodyHasTheDocumentedLayout)
{
    FileTree tree;
    StartSignedFileListing(tree, "Corvid", {7, 1800000000});
    AddFileRow(tree, "./Corvid.exe", 1700000000, 12345, std::string(64, 'a'));
    std::string body = "keep";
    ASSERT_TRUE(WriteListingBody(tree, body));
    EXPECT_EQ(body, "keep"
                    "15\x03"
                    "2\x03"
                    "Corvid\x03"
                    "files serial=7 expires=1800000000\x03"
                    "4\x03" +
                        kFileColumns +
                        "3\x03"
                        "64\x03"
                        "0\x03"
                        "sha256\x03"
                        "Pr\xFC"
                        "fsumme\x03"
                        "SHA-256\x03\x03"
                        "1\x03"
                        "1\x03"
                        "0\x03"
                        "4\x03"
                        "./Corvid.exe\x03"
                        "1700000000\x03"
                        "12345\x03" +
                        std::string(64, 'a') + "\x03");
}

TEST(ListingWriter, SignedListingReadsLikeTheUnsignedOneWithTheHashAfter)
{
    const std::string hashes[] = {std::string(64, '0'),
                                  "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"};
    FileTree plain, hashed;
    StartFileListing(plain, "K\xE4"
                            "fer");
    StartSignedFileListing(hashed,
                           "K\xE4"
                           "fer",
                           {1, 2});
    AddFileRow(plain, "./a.bin", 1, 1234567);
    AddFileRow(hashed, "./a.bin", 1, 1234567, hashes[0]);
    AddFileRow(plain,
               "./Hilfe/\xDC"
               "ber.txt",
               4294967295u, 0);
    AddFileRow(hashed,
               "./Hilfe/\xDC"
               "ber.txt",
               4294967295u, 0, hashes[1]);
    std::string plainText, body;
    ASSERT_TRUE(WriteFileListing(plain, plainText));
    ASSERT_TRUE(WriteListingBody(hashed, body));

    FileTree plainBack, signedBack;
    plainBack.readListing(plainText);
    signedBack.readListing("brenhold-signature 1 0123456789abcdef AAAA\x04" + body);
    EXPECT_EQ(signedBack.headerNumber, kSignedListingLayout);
    EXPECT_EQ(signedBack.headerText1, plainBack.headerText1);
    ASSERT_EQ(signedBack.columnCount(), 4u);
    for (std::size_t c = 0; c < 3; ++c)
        EXPECT_EQ(signedBack.columnAt(c)->firstText, plainBack.columnAt(c)->firstText);
    EXPECT_EQ(signedBack.columnAt(3)->firstText, "sha256");
    ASSERT_EQ(signedBack.rowCount(), plainBack.rowCount());
    for (std::size_t r = 0; r < plainBack.rowCount(); ++r) {
        const FileTreeRow& x = *plainBack.rowAt(r);
        const FileTreeRow& y = *signedBack.rowAt(r);
        ASSERT_EQ(y.valueCount(), 4u);
        for (std::size_t v = 0; v < 3; ++v) {
            EXPECT_EQ(y.valueAt(v)->text, x.valueAt(v)->text);
            EXPECT_EQ(y.valueAt(v)->type, x.valueAt(v)->type);
        }
        EXPECT_EQ(y.valueAt(3)->text, hashes[r]);
        EXPECT_EQ(y.valueAt(3)->type, 0);
    }
}

} // namespace
