#include "app/IniText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(IniText, FindsEntriesOfTheirOwnSectionOnly)
{
    const std::string file = "; written by hand\n"
                             "Corvid=/outside\n"
                             "[Other]\n"
                             "Corvid=/other\n"
                             "[ MainDirPath ]\r\n"
                             "  Corvid = /opt/corvid \r\n"
                             "Dachs=\r\n"
                             "M\xC3\xBCller=/home/gr\xC3\xB6\xC3\x9F"
                             "e\n"
                             "[MainDirPath]\n"
                             "Eule=/second/section\n";
    EXPECT_EQ(FindIniEntry(file, "MainDirPath", "Corvid"), " /opt/corvid ");
    EXPECT_EQ(FindIniEntry(file, "maindirpath", "CORVID"), " /opt/corvid ");
    EXPECT_EQ(FindIniEntry(file, "MainDirPath", "Dachs"), "");
    EXPECT_EQ(FindIniEntry(file, "MainDirPath", "MÜLLER"), "/home/größe");
    EXPECT_EQ(FindIniEntry(file, "Other", "Corvid"), "/other");
    EXPECT_EQ(FindIniEntry(file, "MainDirPath", "Eule"), std::nullopt); // the first section counts
    EXPECT_EQ(FindIniEntry(file, "MainDirPath", "Corvi"), std::nullopt);
    EXPECT_EQ(FindIniEntry("", "MainDirPath", "Corvid"), std::nullopt);
    // A name outside Windows-1252 is not the name of question marks.
    const std::string foreign = "[MainDirPath]\n\xE4\xB8\xAD=/cjk\n";
    EXPECT_EQ(FindIniEntry(foreign, "MainDirPath", "?"), std::nullopt);
    EXPECT_EQ(SetIniEntry(foreign, "MainDirPath", "?", "/q"), foreign + "?=/q\n");
}

TEST(IniText, SetKeepsEverythingElse)
{
    struct Case {
        const char* what;
        std::string before;
        std::string entry;
        std::string after;
    };
    const Case cases[] = {
        {"empty file", "", "Corvid", "[MainDirPath]\nCorvid=C:/Neu\n"},
        {"new section", "[Other]\nx=1", "Corvid", "[Other]\nx=1\n\n[MainDirPath]\nCorvid=C:/Neu\n"},
        {"replaced in place, spelling and line end kept",
         "# note\n[MainDirPath]\r\ncorvid = old\r\nDachs=/d\r\n", "CORVID",
         "# note\n[MainDirPath]\r\ncorvid =C:/Neu\r\nDachs=/d\r\n"},
        {"behind the section's last entry", "[MainDirPath]\nDachs=/d\n\n[Other]\nx=1\n", "Corvid",
         "[MainDirPath]\nDachs=/d\nCorvid=C:/Neu\n\n[Other]\nx=1\n"},
        {"section at the end without line break", "[MainDirPath]\nDachs=/d", "Corvid",
         "[MainDirPath]\nDachs=/d\nCorvid=C:/Neu\n"},
        {"empty section header last", "[MainDirPath]", "Corvid", "[MainDirPath]\nCorvid=C:/Neu\n"},
        {"umlauts stored as UTF-8", "", "Müller", "[MainDirPath]\nM\xC3\xBCller=C:/Neu\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SetIniEntry(c.before, "MainDirPath", c.entry, "C:/Neu"), c.after) << c.what;
    EXPECT_EQ(SetIniEntry("", "MainDirPath", "Corvid", "C:/Größe €"),
              "[MainDirPath]\nCorvid=C:/Gr\xC3\xB6\xC3\x9F"
              "e \xE2\x82\xAC\n");
}

TEST(IniText, RefusesNamesAndTextsTheFormatCannotHold)
{
    const std::string refused[] = {"",    "a=b", "[x", "x]", "a\nb",  "a\rb",
                                   "\tx", "x ",  ";c", "#c", "a\x01", std::string("a\0b", 3)};
    for (const std::string& name : refused)
        EXPECT_NE(IniNameProblem(name), "") << name;
    const std::string accepted[] = {"Corvid", "\"Mein", "Müller", "Lumaro 2000", "a;b#c", "./x.exe"};
    for (const std::string& name : accepted)
        EXPECT_EQ(IniNameProblem(name), "") << name;
    EXPECT_EQ(IniNameProblem("a=b"), "it contains \"=\"");

    EXPECT_NE(IniTextProblem("C:/a\nb"), "");
    EXPECT_NE(IniTextProblem("C:/a\r"), "");
    EXPECT_EQ(IniTextProblem(" C:/a=b [x] ;c "), "");
    EXPECT_EQ(IniTextProblem(""), "");
}

TEST(IniText, TextsWithSpecialCharactersSurviveTheRoundTrip)
{
    const std::string texts[] = {"", " C:/a b ", "x=y=z", "[MainDirPath]", "; kein Kommentar", "\"q\""};
    for (const std::string& text : texts) {
        const std::string file = SetIniEntry("[MainDirPath]\nDachs=/d\n", "MainDirPath", "Corvid", text);
        EXPECT_EQ(FindIniEntry(file, "MainDirPath", "Corvid"), text) << file;
        EXPECT_EQ(FindIniEntry(file, "MainDirPath", "Dachs"), "/d") << file;
    }
}

TEST(IniText, RemoveTakesOutOnlyTheEntrysLine)
{
    struct Case {
        const char* what;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"one of two", "[MainDirPath]\nCorvid=/a\nDachs=/b\n", "[MainDirPath]\nDachs=/b\n"},
        {"the last line without a break", "[MainDirPath]\nDachs=/b\ncorvid=/a", "[MainDirPath]\nDachs=/b\n"},
        {"crlf and comments stay", "; x\r\n[MainDirPath]\r\nCorvid=/a\r\n; y\r\n", "; x\r\n[MainDirPath]\r\n; y\r\n"},
        {"another section's entry stays", "[Other]\nCorvid=/o\n[MainDirPath]\nCorvid=/a\n",
         "[Other]\nCorvid=/o\n[MainDirPath]\n"},
        {"no such entry", "[MainDirPath]\nDachs=/b\n", "[MainDirPath]\nDachs=/b\n"},
        {"no such section", "[Other]\nCorvid=/o\n", "[Other]\nCorvid=/o\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RemoveIniEntry(c.before, "MainDirPath", "Corvid"), c.after) << c.what;
}

} // namespace

