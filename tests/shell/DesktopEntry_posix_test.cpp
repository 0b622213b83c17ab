#include "shell/DesktopEntry.h"

#include <gtest/gtest.h>

namespace {

std::string ExecLine(const std::string& text)
{
    const auto start = text.find("\nExec=");
    return start == std::string::npos ? "" : text.substr(start + 1, text.find('\n', start + 1) - start - 1);
}

struct ExecCase {
    const char* target;
    const char* arguments;
    const char* exec;          // the line written
    const char* readArguments; // the arguments read back
};

TEST(DesktopEntry, ExecQuotesReservedCharactersAndSurvivesTheRoundTrip)
{
    const ExecCase cases[] = {
        {"/opt/corvid/Corvid", "", "Exec=/opt/corvid/Corvid", ""},
        {"/opt/Mein Produkt/Corvid", "-a", "Exec=\"/opt/Mein Produkt/Corvid\" -a", "-a"},
        {"/opt/a$b/c`d", "", "Exec=\"/opt/a\\\\$b/c\\\\`d\"", ""},
        {"/opt/\"q\"/x", "", "Exec=\"/opt/\\\\\"q\\\\\"/x\"", ""},
        {"/opt/back\\slash", "", "Exec=\"/opt/back\\\\\\\\slash\"", ""},
        {"/opt/100%/x", "50%", "Exec=/opt/100%%/x 50%%", "50%"},
        {"/opt/x", "-p \"zwei Worte\"  -q", "Exec=/opt/x -p \"zwei Worte\" -q", "-p \"zwei Worte\" -q"},
        {"/opt/x", "\"\" 'a'", "Exec=/opt/x \"\" \"'a'\"", "\"\" 'a'"},
        {"/opt/\xC4rger/\xFC", "", "Exec=/opt/\xC3\x84rger/\xC3\xBC", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        DesktopEntry entry;
        entry.name = "Corvid";
        entry.target = c.target;
        entry.arguments = c.arguments;
        const std::string text = FormatDesktopEntry(entry);
        EXPECT_EQ(ExecLine(text), c.exec);
        DesktopEntry read;
        ASSERT_TRUE(ParseDesktopEntry(text, read));
        EXPECT_EQ(read.target, c.target);
        EXPECT_EQ(read.arguments, c.readArguments);
    }
}

TEST(DesktopEntry, OptionalKeysOnlyWhenGiven)
{
    DesktopEntry entry;
    entry.name = "Corvid";
    entry.target = "/opt/corvid/Corvid";
    EXPECT_EQ(FormatDesktopEntry(entry),
              "[Desktop Entry]\nType=Application\nName=Corvid\nExec=/opt/corvid/Corvid\n");

    entry.workingDirectory = "/opt/corvid";
    entry.icon = "/opt/corvid/corvid.png";
    entry.description = " Zwei\nZeilen \x80";
    const std::string text = FormatDesktopEntry(entry);
    EXPECT_NE(text.find("\nPath=/opt/corvid\n"), std::string::npos);
    EXPECT_NE(text.find("\nIcon=/opt/corvid/corvid.png\n"), std::string::npos);
    EXPECT_NE(text.find("\nComment=\\sZwei\\nZeilen \xE2\x82\xAC\n"), std::string::npos);
    DesktopEntry read;
    ASSERT_TRUE(ParseDesktopEntry(text, read));
    EXPECT_EQ(read.name, entry.name);
    EXPECT_EQ(read.workingDirectory, entry.workingDirectory);
    EXPECT_EQ(read.icon, entry.icon);
    EXPECT_EQ(read.description, entry.description);
}

TEST(DesktopEntry, EveryWindows1252ByteSurvivesTheRoundTrip)
{
    DesktopEntry entry;
    entry.target = "/x";
    for (int byte = 0x20; byte < 0x100; ++byte) {
        entry.name += static_cast<char>(byte);
    }
    DesktopEntry read;
    ASSERT_TRUE(ParseDesktopEntry(FormatDesktopEntry(entry), read));
    EXPECT_EQ(read.name, entry.name);
}

TEST(DesktopEntry, ReadsEntriesWrittenByOthers)
{
    const std::string text = "# made by hand\r\n"
                             "[Desktop Action Neu]\r\n"
                             "Exec=/wrong\r\n"
                             "[Desktop Entry]\r\n"
                             "Name = Corvid\r\n"
                             "Comment[de]=Deutsch\r\n"
                             "Comment=Plain \xE2\x98\x83 \xFF\r\n"
                             "Exec=\"/opt/my prog\" --open %U \"%%d\" -x%f\r\n"
                             "[Other]\r\n"
                             "Exec=/also/wrong\r\n";
    DesktopEntry read;
    ASSERT_TRUE(ParseDesktopEntry(text, read));
    EXPECT_EQ(read.name, "Corvid");
    EXPECT_EQ(read.description, "Plain ? ?");
    EXPECT_EQ(read.target, "/opt/my prog");
    EXPECT_EQ(read.arguments, "--open %d -x");
}

TEST(DesktopEntry, TextWithoutCommandIsRefusedAndLeavesTheEntry)
{
    const char* texts[] = {
        "",
        "Exec=/outside/any/group\n",
        "[Desktop Entry]\nName=x\n",
        "[Desktop Entry]\nExec=   \n",
        "[Desktop Entry]\nExec=%U\n",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        DesktopEntry entry;
        entry.target = "kept";
        EXPECT_FALSE(ParseDesktopEntry(text, entry));
        EXPECT_EQ(entry.target, "kept");
    }
}

} // namespace
