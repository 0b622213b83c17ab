#include "install/InstallPrompt.h"

#include "install/InstallChoice.h"
#include "text/CharClass.h"
#include "text/UserTexts.h"

namespace {

// Windows-1252 bytes to UTF-8: the range 0x80-0x9F has its own table, the rest maps
// to the code points of the same value. The five unassigned bytes become U+FFFD.
std::string Utf8FromWindows1252(const std::string& text)
{
    static constexpr char16_t kHighControls[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const unsigned byte = static_cast<unsigned char>(c);
        const unsigned code = (byte >= 0x80 && byte < 0xA0) ? kHighControls[byte - 0x80] : byte;
        if (code < 0x80) {
            result += static_cast<char>(code);
        } else if (code < 0x800) {
            result += static_cast<char>(0xC0 | (code >> 6));
            result += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            result += static_cast<char>(0xE0 | (code >> 12));
            result += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return result;
}

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

InstallPrompt::InstallPrompt(std::istream& in, std::ostream& out, std::string home)
    : in_(in), out_(out), home_(std::move(home))
{}

int InstallPrompt::run()
{
    const std::string proposal = "~/Programme/" + productName.text;
    write(std::string(texts::kWelcome) + "\n\n    " + productName.text + "\n\n");
    while (true) {
        write(std::string(texts::kChooseDirectory) + " [" + proposal + "]: ");
        std::string answer;
        if (readLine(answer)) {
            answer = Trimmed(answer);
            chosenDirectory.SetText(expandHome(answer.empty() ? proposal : answer));
            return kInstallOk;
        }
        write("\n");
        if (confirmCancel())
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

bool InstallPrompt::confirmCancel()
{
    while (true) {
        write(std::string(texts::kCancelQuestion) + " [j/n]: ");
        std::string answer;
        if (!readLine(answer)) {
            write("\n");
            return true;
        }
        answer = Trimmed(answer);
        if (answer == "j" || answer == "J" || answer == "ja" || answer == "Ja")
            return true;
        if (answer == "n" || answer == "N" || answer == "nein" || answer == "Nein")
            return false;
    }
}

void InstallPrompt::write(const std::string& text)
{
    out_ << Utf8FromWindows1252(text) << std::flush;
}

std::string InstallPrompt::expandHome(const std::string& path) const
{
    if (home_.empty() || path.empty() || path[0] != '~' || (path.size() > 1 && path[1] != '/'))
        return path;
    return home_ + path.substr(1);
}
