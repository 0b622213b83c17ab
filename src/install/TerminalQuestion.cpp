#include "install/TerminalQuestion.h"

#include "text/Codepage.h"
#include "text/StringUtil.h"

bool AskYesNo(std::istream& in, std::ostream& out, const std::string& question, bool atEnd)
{
    while (true) {
        out << Utf8FromCp1252(question) << " [j/n]: " << std::flush;
        std::string answer;
        // A terminal can go on after an end of input (Ctrl-D); a pipe cannot, and then the
        // next read ends at once too.
        in.clear();
        if (!std::getline(in, answer)) {
            out << '\n' << std::flush;
            return atEnd;
        }
        answer = Trimmed(answer);
        if (answer == "j" || answer == "J" || answer == "ja" || answer == "Ja")
            return true;
        if (answer == "n" || answer == "N" || answer == "nein" || answer == "Nein")
            return false;
    }
}
