#include "install/InstallPrompt.h"

#include "install/InstallChoice.h"
#include "install/InstallTarget.h"
#include "install/TerminalQuestion.h"
#include "text/Codepage.h"
#include "text/FormatString.h"
#include "text/StringUtil.h"
#include "text/UserTexts.h"

InstallPrompt::InstallPrompt(std::istream& in, std::ostream& out, std::string home)
    : acceptsFiles([](const std::string& directory) { return CanCreateFilesIn(Utf8FromCp1252(directory)); }),
      in_(in), out_(out), home_(Cp1252FromUtf8(home))
{}

int InstallPrompt::run()
{
    std::string proposal = "~/Programme/" + productName.text;
    write(std::string(texts::kWelcome) + "\n\n    " + productName.text + "\n\n");
    while (true) {
        write(std::string(texts::kChooseDirectory) + " [" + proposal + "]: ");
        std::string answer;
        if (readLine(answer)) {
            // The terminal speaks UTF-8; the program's texts are Windows-1252.
            answer = Trimmed(Cp1252FromUtf8(answer));
            const std::string directory = expandHome(answer.empty() ? proposal : answer);
            if (acceptsFiles(directory)) {
                chosenDirectory.SetText(directory);
                return kInstallOk;
            }
            write(FormatString(texts::kCannotCreateFilesFormat, directory.c_str()) + "\n");
            if (!perUserDirectory.empty())
                proposal = abbreviateHome(perUserDirectory);
            continue;
        }
        write("\n");
        if (AskYesNo(in_, out_, texts::kCancelQuestion, true))
            return kInstallCancel;
    }
}

bool InstallPrompt::readLine(std::string& line)
{
    // A terminal can go on after an end of input (Ctrl-D); a pipe cannot, and then the
    // next read ends at once too.
    in_.clear();
    if (!std::getline(in_, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

void InstallPrompt::write(const std::string& text)
{
    out_ << Utf8FromCp1252(text) << std::flush;
}

std::string InstallPrompt::abbreviateHome(const std::string& path) const
{
    if (home_.empty() || path.compare(0, home_.size() + 1, home_ + "/") != 0)
        return path;
    std::string abbreviated = path;
    abbreviated.replace(0, home_.size(), 1, '~');
    return abbreviated;
}

std::string InstallPrompt::expandHome(const std::string& path) const
{
    if (home_.empty() || path.empty() || path[0] != '~' || (path.size() > 1 && path[1] != '/'))
        return path;
    return home_ + path.substr(1);
}
