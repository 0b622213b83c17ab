#include "install/InstallPrompt.h"

#include "install/InstallChoice.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

// Input as a terminal delivers it: an empty chunk is an end of input (Ctrl-D), after
// which reading can go on with the next chunk.
class TerminalInput : public std::streambuf {
public:
    explicit TerminalInput(std::vector<std::string> chunks) : chunks_(std::move(chunks)) {}

protected:
    int_type underflow() override
    {
        if (gptr() != nullptr && gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        if (next_ == chunks_.size())
            return traits_type::eof();
        current_ = chunks_[next_++];
        if (current_.empty())
            return traits_type::eof();
        setg(current_.data(), current_.data(), current_.data() + current_.size());
        return traits_type::to_int_type(*gptr());
    }

private:
    std::vector<std::string> chunks_;
    std::string current_;
    std::size_t next_ = 0;
};

struct PromptRun {
    int answer;
    std::string directory;
    std::string output;
};

PromptRun Prompt(std::vector<std::string> chunks, const std::string& product = "Corvid")
{
    TerminalInput input(std::move(chunks));
    std::istream in(&input);
    std::ostringstream out;
    InstallPrompt prompt(in, out, "/home/anna");
    prompt.productName.SetText(product);
    // Nothing is made on this machine: every directory is writable but those called "gesperrt".
    prompt.acceptsFiles = [](const std::string& directory) {
        return directory.find("gesperrt") == std::string::npos;
    };
    prompt.perUserDirectory = "/home/anna/.local/share/" + product;
    const int answer = prompt.run();
    return {answer, prompt.chosenDirectory.text, out.str()};
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

TEST(InstallPrompt, GreetsInUtf8AndProposesADirectoryInTheHome)
{
    const PromptRun run = Prompt({"\n"});
    EXPECT_EQ(run.answer, kInstallOk);
    EXPECT_EQ(run.directory, "/home/anna/Programme/Corvid");
    EXPECT_NE(run.output.find("Herzlich Willkommen zur Installation von"), std::string::npos);
    EXPECT_NE(run.output.find("Corvid"), std::string::npos);
    EXPECT_NE(run.output.find("Bitte w\xC3\xA4hlen Sie ein Installationsverzeichnis [~/Programme/Corvid]: "),
              std::string::npos);
}

TEST(InstallPrompt, TakesTheTypedDirectory)
{
    struct Case {
        const char* typed;
        const char* chosen;
    };
    const Case cases[] = {
        {"  /opt/corvid  \n", "/opt/corvid"},
        {"~/Spiele/Corvid\r\n", "/home/anna/Spiele/Corvid"},
        {"~\n", "/home/anna"},
        {"~anna/x\n", "~anna/x"},
        {"relativ/pfad", "relativ/pfad"},
    };
    for (const Case& c : cases) {
        const PromptRun run = Prompt({c.typed});
        EXPECT_EQ(run.answer, kInstallOk) << c.typed;
        EXPECT_EQ(run.directory, c.chosen) << c.typed;
    }
}

TEST(InstallPrompt, AsksBeforeGivingUp)
{
    struct Case {
        std::vector<std::string> chunks;
        int answer;
        const char* directory;
        std::size_t questions; // directory questions asked
    };
    const Case cases[] = {
        {{}, kInstallCancel, "", 1},             // input ended at once
        {{"", "j\n"}, kInstallCancel, "", 1},    // Ctrl-D, then yes
        {{"", "Nein\n"}, kInstallCancel, "", 2}, // Ctrl-D, no, then input ends
        {{"", "n\n", "\n"}, kInstallOk, "/home/anna/Programme/Corvid", 2},
        {{"", "vielleicht\nja\n"}, kInstallCancel, "", 1}, // asked again until j or n
    };
    for (const Case& c : cases) {
        const PromptRun run = Prompt(c.chunks);
        EXPECT_EQ(run.answer, c.answer);
        EXPECT_EQ(run.directory, c.directory);
        EXPECT_EQ(Count(run.output, "Installationsverzeichnis ["), c.questions);
        EXPECT_NE(run.output.find("Soll die Installation abgebrochen werden? [j/n]: "), std::string::npos);
    }
}

// A directory in which no file can be made is refused with a line naming it, and the
// per-user directory becomes the proposal; the first proposal is always ~/Programme.
TEST(InstallPrompt, RefusesAnUnwritableDirectoryAndProposesThePerUserOne)
{
    const PromptRun run = Prompt({"/opt/gesperrt\n", "\n"});
    EXPECT_EQ(run.answer, kInstallOk);
    EXPECT_EQ(run.directory, "/home/anna/.local/share/Corvid");
    EXPECT_NE(run.output.find("Installationsverzeichnis [~/Programme/Corvid]: "
                              "In diesem Verzeichnis k\xC3\xB6nnen keine Dateien angelegt werden: /opt/gesperrt\n"
                              "Bitte w\xC3\xA4hlen Sie ein Installationsverzeichnis [~/.local/share/Corvid]: "),
              std::string::npos)
        << run.output;
}

TEST(InstallPrompt, ConvertsWindows1252ToUtf8)
{
    const PromptRun run = Prompt({"\n"}, "M\xFCsli \x80");
    EXPECT_NE(run.output.find("M\xC3\xBCsli \xE2\x82\xAC"), std::string::npos);
    EXPECT_EQ(run.directory, "/home/anna/Programme/M\xFCsli \x80");
}

} // namespace
