#include "app/TerminalQuestion.h"

#include "text/CharClass.h"
#include "text/Codepage.h"

namespace {

std::string Trimmed(const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsCSpace(text[begin]))
        ++begin;
    while (end > begin && IsCSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace

bool AskYesNo(std::istream& in, std::ostream& out, const std::string& question)
{
    while (true) {
        out << Utf8FromCp1252(question) << " [j/n]: " << std::flush;
        std::string answer;
        in.clear();
        if (!std::getline(in, answer)) {
            out << '\n' << std::flush;
            return false;
        }
        answer = Trimmed(answer);
        if (answer == "j" || answer == "J" || answer == "ja" || answer == "Ja")
            return true;
        if (answer == "n" || answer == "N" || answer == "nein" || answer == "Nein")
            return false;
    }
}
