#include "shell/DesktopEntry.h"

#include "text/Codepage.h"

#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kGroup = "[Desktop Entry]";

// The escapes of a string value: a line holds one value, and leading blanks would be
// taken for the blanks around "=".
std::string EscapeValue(const std::string& value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == ' ' && i == 0) {
            out += "\\s";
        } else {
            out += c;
        }
    }
    return out;
}

std::string UnescapeValue(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += next;
        }
    }
    return out;
}

// One word of Exec: quoted when it holds a reserved character, "%" doubled so that no
// launcher takes it for a field code.
std::string QuoteExecWord(const std::string& word)
{
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool quote = word.empty() || word.find_first_of(reserved) != std::string::npos;
    std::string out;
    if (quote) {
        out += '"';
    }
    for (const char c : word) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            out += '\\';
        }
        out += c;
        if (c == '%') {
            out += '%';
        }
    }
    if (quote) {
        out += '"';
    }
    return out;
}

// The words of a command line: blanks separate them, "..." groups one.
std::vector<std::string> SplitArguments(const std::string& arguments)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : arguments) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) {
                words.push_back(word);
            }
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

std::string JoinArguments(const std::vector<std::string>& words)
{
    std::string out;
    for (const auto& word : words) {
        if (!out.empty()) {
            out += ' ';
        }
        const bool group = word.empty() || word.find_first_of(" \t\n") != std::string::npos;
        out += group ? "\"" + word + "\"" : word;
    }
    return out;
}

// Removes the field codes of one Exec word; "%%" stands for "%". A word that was only
// field codes is dropped (false).
bool DropFieldCodes(std::string& word, bool quoted)
{
    std::string out;
    bool hadCode = false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%' || i + 1 == word.size()) {
            out += word[i];
        } else if (word[++i] == '%') {
            out += '%';
        } else {
            hadCode = true;
        }
    }
    word = out;
    return quoted || !hadCode || !word.empty();
}

// The words of an Exec value whose string escapes are already undone.
std::vector<std::string> SplitExec(const std::string& exec)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    bool inQuotes = false;
    const auto finish = [&] {
        if (inWord && DropFieldCodes(word, quoted)) {
            words.push_back(word);
        }
        word.clear();
        inWord = quoted = false;
    };
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (inQuotes) {
            if (c == '\\' && i + 1 < exec.size() &&
                std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
                word += exec[++i];
            } else if (c == '"') {
                inQuotes = false;
            } else {
                word += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            finish();
        } else if (c == '"') {
            inQuotes = quoted = inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    finish();
    return words;
}

std::string_view TrimLeft(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimRight(std::string_view text)
{
    const auto last = text.find_last_not_of(" \t");
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

} // namespace

std::string FormatDesktopEntry(const DesktopEntry& entry)
{
    std::string exec = QuoteExecWord(entry.target);
    for (const auto& word : SplitArguments(entry.arguments)) {
        exec += ' ' + QuoteExecWord(word);
    }
    std::string text(kGroup);
    text += "\nType=Application\n";
    text += "Name=" + EscapeValue(Utf8FromCp1252(entry.name)) + "\n";
    if (!entry.description.empty()) {
        text += "Comment=" + EscapeValue(Utf8FromCp1252(entry.description)) + "\n";
    }
    text += "Exec=" + EscapeValue(Utf8FromCp1252(exec)) + "\n";
    if (!entry.workingDirectory.empty()) {
        text += "Path=" + EscapeValue(Utf8FromCp1252(entry.workingDirectory)) + "\n";
    }
    if (!entry.icon.empty()) {
        text += "Icon=" + EscapeValue(Utf8FromCp1252(entry.icon)) + "\n";
    }
    return text;
}

bool ParseDesktopEntry(const std::string& text, DesktopEntry& entry)
{
    DesktopEntry read;
    bool inGroup = false;
    bool hasCommand = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line = TrimLeft(std::string_view(text).substr(start, end - start));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            inGroup = TrimRight(line) == kGroup;
            continue;
        }
        const auto equals = line.find('=');
        if (!inGroup || line.empty() || line.front() == '#' || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = TrimRight(line.substr(0, equals));
        const std::string value = Cp1252FromUtf8(UnescapeValue(TrimLeft(line.substr(equals + 1))));
        if (key == "Name") {
            read.name = value;
        } else if (key == "Comment") {
            read.description = value;
        } else if (key == "Path") {
            read.workingDirectory = value;
        } else if (key == "Icon") {
            read.icon = value;
        } else if (key == "Exec") {
            const auto words = SplitExec(value);
            hasCommand = !words.empty();
            if (hasCommand) {
                read.target = words.front();
                read.arguments = JoinArguments({words.begin() + 1, words.end()});
            }
        }
    }
    if (!hasCommand) {
        return false;
    }
    entry = read;
    return true;
}
