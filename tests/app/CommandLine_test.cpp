#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct Expected {
    std::string product;
    std::string program;
    bool quiet = false;
    bool noStart = false;
    std::string directory = "(none)";
    std::string uninstall = "(none)";
    std::string error;
};

Expected Read(std::string product, std::string program, bool quiet = false, bool noStart = false,
              std::string directory = "(none)", std::string uninstall = "(none)")
{
    return {std::move(product),   std::move(program),   quiet, noStart,
            std::move(directory), std::move(uninstall), ""};
}

Expected Refused(std::string error)
{
    return {"", "", false, false, "", "", std::move(error)};
}

void ExpectLine(const CommandLine& line, const Expected& expected, const std::string& trace)
{
    SCOPED_TRACE(trace);
    EXPECT_EQ(line.error, expected.error);
    if (!expected.error.empty())
        return;
    EXPECT_EQ(line.startup.productName, expected.product);
    EXPECT_EQ(line.startup.programPath, expected.program);
    EXPECT_EQ(line.quiet, expected.quiet);
    EXPECT_EQ(line.noStart, expected.noStart);
    EXPECT_EQ(line.directory.value_or("(none)"), expected.directory);
    EXPECT_EQ(line.uninstallProduct.value_or("(none)"), expected.uninstall);
}

TEST(CommandLine, ReadsTheOptionsOfAWindowsCommandLine)
{
    struct Case {
        std::string text;
        Expected expected;
    };
    const Case cases[] = {
        // The two product words keep their meaning, quotation marks included.
        {"", Read("Corvid", "./Corvid.exe")},
        {"Dachs ./Dachs.exe", Read("Dachs", "./Dachs.exe")},
        {"\"Mein Produkt\" ./m.exe", Read("\"Mein", "Produkt\"")},
        // Options go anywhere; a product given only by options gets the defaults.
        {"--quiet", Read("Corvid", "./Corvid.exe", true)},
        {"Dachs --no-start ./d.exe --quiet", Read("Dachs", "./d.exe", true, true)},
        {"Dachs ./d.exe --dir C:\\Programme\\Dachs",
         Read("Dachs", "./d.exe", false, false, "C:\\Programme\\Dachs")},
        // The directory is quoted as the Windows command line quotes.
        {"Dachs --dir \"C:\\Program Files\\Dachs\" --quiet",
         Read("Dachs", "", true, false, "C:\\Program Files\\Dachs")},
        {"Dachs --dir \"C:\\Program Files\"\\Dachs",
         Read("Dachs", "", false, false, "C:\\Program Files\\Dachs")},
        {"Dachs --dir \"C:\\Ende\\\\\"", Read("Dachs", "", false, false, "C:\\Ende\\")},
        {"Dachs --dir \"a \"\"b\"\"\"", Read("Dachs", "", false, false, "a \"b\"")},
        {"Dachs --dir a\\\\\\\"b", Read("Dachs", "", false, false, "a\\\"b")},
        {"--uninstall Dachs --quiet", Read("Corvid", "./Corvid.exe", true, false, "(none)", "Dachs")},
        // Mistakes are named.
        {"--verbose", Refused("unknown option --verbose")},
        {"Dachs --dir", Refused("--dir needs a directory")},
        {"Dachs --dir \"\"", Refused("--dir needs a directory")},
        {"Dachs --dir --quiet", Refused("--dir needs a directory")},
        {"--dir a --dir b", Refused("--dir is given twice")},
        {"--uninstall", Refused("--uninstall needs a product name")},
        {"--uninstall Dachs Dachs", Refused("--uninstall takes no product to update, --dir, --no-start or --repair")},
        {"--uninstall Dachs --no-start",
         Refused("--uninstall takes no product to update, --dir, --no-start or --repair")},
        {"--uninstall Dachs --repair",
         Refused("--uninstall takes no product to update, --dir, --no-start or --repair")},
    };
    for (const Case& c : cases)
        ExpectLine(ParseArgumentsText(c.text), c.expected, c.text);
    EXPECT_FALSE(ParseArgumentsText("Dachs --quiet").repair);
    EXPECT_TRUE(ParseArgumentsText("Dachs --repair --quiet").repair);
}

TEST(CommandLine, TakesOptionValuesWholeFromAnArgumentVector)
{
    struct Case {
        std::vector<std::string> words;
        Expected expected;
    };
    const Case cases[] = {
        {{}, Read("Corvid", "./Corvid.exe")},
        {{"Dachs", "./d.exe", "--quiet", "--dir", "/home/a b/Dachs"},
         Read("Dachs", "./d.exe", true, false, "/home/a b/Dachs")},
        // Quotation marks in an argument are the directory's own.
        {{"--dir", "\"x\""}, Read("Corvid", "./Corvid.exe", false, false, "\"x\"")},
        // A product argument with white space splits there, as the joined text always did.
        {{"Mein Produkt"}, Read("Mein", "Produkt")},
        {{"--dir /opt/x y"}, Read("Corvid", "./Corvid.exe", false, false, "/opt/x y")},
        {{"--uninstall", "Dachs"}, Read("Corvid", "./Corvid.exe", false, false, "(none)", "Dachs")},
        {{"--dir"}, Refused("--dir needs a directory")},
        {{"--Quiet"}, Refused("unknown option --Quiet")},
    };
    for (const Case& c : cases) {
        std::string trace;
        for (const std::string& word : c.words)
            trace += "[" + word + "]";
        ExpectLine(ParseArgumentWords(c.words), c.expected, trace);
    }
}

TEST(CommandLine, TheRunIsAboutTheProductToRemoveOrToUpdate)
{
    EXPECT_EQ(ParseArgumentsText("--uninstall Dachs").product(), "Dachs");
    EXPECT_EQ(ParseArgumentsText("Eule ./e.exe --quiet").product(), "Eule");
    const CommandLine finish = ParseArgumentsText("--finish-removal 42 \"C:\\Program Files\\Dachs\"");
    EXPECT_EQ(finish.error, "");
    EXPECT_EQ(finish.finishRemovalProcess.value_or(""), "42");
    EXPECT_EQ(finish.finishRemovalDirectory, "C:\\Program Files\\Dachs");
    EXPECT_EQ(ParseArgumentsText("--finish-removal 42").error,
              "--finish-removal needs a process number and a directory");
}

} // namespace
