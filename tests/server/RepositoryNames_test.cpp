#include "RepositoryNames.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

TEST(RepositoryNames, ListedNamesAreWindows1252)
{
    EXPECT_EQ(ListedName("Corvid.exe"), "Corvid.exe");
    EXPECT_EQ(ListedName("\xC3\x9C"
                         "ber.txt"),
              "\xDC"
              "ber.txt");
    EXPECT_EQ(ListedName("%20 +.txt"), "%20 +.txt");
    for (const char* unfit : {"\xE2\x86\x92.txt", "a\\b", "a\x03", "line\nbreak", "\xFF", "", ".."}) {
        SCOPED_TRACE(unfit);
        EXPECT_FALSE(ListedName(unfit));
    }
}

TEST(RepositoryNames, ProductNamesAreSinglePlainNames)
{
    EXPECT_EQ(ProductFolderName("Corvid"), "Corvid");
    EXPECT_EQ(ProductFolderName("Corvid.brenhold"), "Corvid.brenhold");
    EXPECT_EQ(ProductFolderName("K\xE4"
                                "fer"),
              "K\xC3\xA4"
              "fer");
    const std::string unfitNames[] = {"",
                                      ".",
                                      "..",
                                      "../x",
                                      "a/b",
                                      "a\\b",
                                      "/etc",
                                      std::string("a\0b", 3),
                                      "Corvid.brenhold-listing",
                                      "Corvid.brenhold-serial",
                                      "Corvid.brenhold-lock"};
    for (const std::string& unfit : unfitNames) {
        SCOPED_TRACE(unfit);
        EXPECT_FALSE(ProductFolderName(unfit));
    }
    // Names of the files kept beside a product folder.
    for (const char* beside : {"Corvid.brenhold-listing", "Corvid.brenhold-serial", "Corvid.brenhold-lock"})
        EXPECT_FALSE(ProductFolderName(beside)) << beside;
}

TEST(RepositoryNames, ListedPathsSplitIntoNames)
{
    EXPECT_EQ(ListedPathNames("./Corvid.exe"), (Names{"Corvid.exe"}));
    EXPECT_EQ(ListedPathNames("./Hilfe/\xDC"
                              "ber.txt"),
              (Names{"Hilfe", "\xC3\x9C"
                              "ber.txt"}));
    EXPECT_EQ(ListedPathNames("./.hidden/a..b"), (Names{".hidden", "a..b"}));
}

TEST(RepositoryNames, RefusesPathsThatCannotBeListed)
{
    const std::string refused[] = {
        "Corvid.exe",
        "/etc/passwd",
        "./",
        "./a//b",
        "./../x",
        "./a/../../x",
        "./a/./b",
        "./a/",
        "./a\\..\\..\\x",
        "..\\x",
        ".\\a",
        std::string("./a\0b", 5),
        "./a\x03",
        "./" + std::string(1021, 'x'),
    };
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(ListedPathNames(path));
    }
    EXPECT_TRUE(ListedPathNames("./" + std::string(1020, 'x')));
}

} // namespace
