#include "app/StartupArguments.h"

#include "app/AppNames.h"
#include "text/CharClass.h"
#include "text/Codepage.h"

#include <algorithm>

namespace {

// The next word at or behind pos, as a formatted read from a text stream takes it: white
// space is skipped, then characters are taken up to the next white space. Empty when
// only white space is left.
std::string NextWord(const std::string& text, std::size_t& pos)
{
    while (pos < text.size() && IsCSpace(text[pos]))
        ++pos;
    const std::size_t begin = pos;
    while (pos < text.size() && !IsCSpace(text[pos]))
        ++pos;
    return text.substr(begin, pos - begin);
}

} // namespace

StartupArguments ReadStartupArguments(const std::string& argumentsText)
{
    std::size_t pos = 0;
    StartupArguments arguments;
    arguments.productName = NextWord(argumentsText, pos);
    if (arguments.productName.empty())
        return {app::kDefaultProduct, app::kDefaultProgramPath};
    arguments.programPath = NextWord(argumentsText, pos);
    return arguments;
}

std::string ArgumentsAfterProgramPath(const std::string& commandLine)
{
    std::size_t pos = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        // A quoted path ends at the closing quotation mark, or with the line.
        const std::size_t close = commandLine.find('"', 1);
        pos = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        while (pos < commandLine.size() && !IsCSpace(commandLine[pos]))
            ++pos;
    }
    while (pos < commandLine.size() && IsCSpace(commandLine[pos]))
        ++pos;
    return commandLine.substr(pos);
}

std::string ArgumentsFromArgv(int argc, const char* const* argv)
{
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            text += ' ';
        const std::string word = Cp1252FromUtf8(argv[i]);
        const bool blank = word.empty() || std::any_of(word.begin(), word.end(), IsCSpace);
        text += blank ? "\"" + word + "\"" : word;
    }
    return text;
}
