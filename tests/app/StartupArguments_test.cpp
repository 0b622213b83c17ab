#include "app/StartupArguments.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StartupArguments, ReadsProductAndProgramPath)
{
    struct Case {
        std::string text;
        std::string product;
        std::string program;
    };
    const Case cases[] = {
        {"", "Corvid", "./Corvid.exe"},
        {"Dachs", "Dachs", ""},
        {"Dachs ./Dachs.exe", "Dachs", "./Dachs.exe"},
        {"Dachs ./Dachs.exe ./Dritt.exe Viert", "Dachs", "./Dachs.exe"},
        // Quotation marks are ordinary characters, so a quoted name splits at its blank.
        {"\"Mein Produkt\" ./m.exe", "\"Mein", "Produkt\""},
        {"\"Dachs\"", "\"Dachs\"", ""},
        {"\t\v\fDachs\r\n./d.exe\tx", "Dachs", "./d.exe"},
        {"Müller", "Müller", ""},
        // A text of white space alone holds no word and counts as none.
        {" \t ", "Corvid", "./Corvid.exe"},
    };
    for (const Case& c : cases) {
        const StartupArguments arguments = ReadStartupArguments(c.text);
        EXPECT_EQ(arguments.productName, c.product) << c.text;
        EXPECT_EQ(arguments.programPath, c.program) << c.text;
    }
}

TEST(StartupArguments, TakesTheTextAfterTheProgramPath)
{
    struct Case {
        std::string commandLine;
        std::string arguments;
    };
    const Case cases[] = {
        {"", ""},
        {"Brenhold.exe", ""},
        {"Brenhold.exe   ", ""},
        {"Brenhold.exe Dachs  ./d.exe ", "Dachs  ./d.exe "},
        {"C:\\Setup\\Brenhold.exe\tDachs", "Dachs"},
        {"\"C:\\Program Files\\Brenhold.exe\" Dachs", "Dachs"},
        {"\"C:\\Program Files\\Brenhold.exe\"Dachs", "Dachs"},
        {"\"C:\\Program Files\\Brenhold.exe", ""},
        {"Brenhold.exe \"Lumaro\"", "\"Lumaro\""},
        {"C:\\Downloads\\Größe.exe Dachs", "Dachs"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ArgumentsAfterProgramPath(c.commandLine), c.arguments) << c.commandLine;
}

TEST(StartupArguments, JoinsArgvAndConvertsFromUtf8)
{
    const char* none[] = {"brenhold"};
    EXPECT_EQ(ArgumentsFromArgv(1, none), "");
    const char* two[] = {"brenhold", "Dachs", "./d.exe"};
    EXPECT_EQ(ArgumentsFromArgv(3, two), "Dachs ./d.exe");
    const char* umlaut[] = {"brenhold", "M\xC3\xBCller"};
    EXPECT_EQ(ArgumentsFromArgv(2, umlaut), "Müller");
    const char* blanks[] = {"brenhold", "--dir", "/home/a b", ""};
    EXPECT_EQ(ArgumentsFromArgv(4, blanks), "--dir \"/home/a b\" \"\"");
}

} // namespace
