#include "app/IniText.h"

#include "text/CharClass.h"
#include "text/Codepage.h"
#include "text/StringUtil.h"

#include <cstddef>

namespace {

// Upper case of a Windows-1252 letter, as the registry compares names.
unsigned char FoldCase(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 0x20);
    switch (c) {
    case 0x9A: // s caron
    case 0x9C: // oe
    case 0x9E: // z caron
        return static_cast<unsigned char>(c - 0x10);
    case 0xFF: // y diaeresis
        return 0x9F;
    default:
        return c;
    }
}

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

enum class LineKind { Other, Section, Entry };

// One line of the file: where it lies and what it says. Names are Windows-1252.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0; // behind the line break, or the end of the text
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0; // before the line break (and a carriage return before it)
    LineKind kind = LineKind::Other;
    std::string name;
    // False for a name Windows-1252 cannot hold: it would turn into question marks and
    // could match a different name. The program never wrote it, so it is left alone.
    bool comparable = true;
};

Line ReadLine(const std::string& text, std::size_t begin)
{
    Line line;
    line.begin = begin;
    std::size_t contentEnd = text.find('\n', begin);
    line.end = contentEnd == std::string::npos ? text.size() : contentEnd + 1;
    if (contentEnd == std::string::npos)
        contentEnd = text.size();
    if (contentEnd > begin && text[contentEnd - 1] == '\r')
        --contentEnd;
    const std::string content = text.substr(begin, contentEnd - begin);
    const std::string trimmed = Trimmed(content);
    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
        const std::string name = Trimmed(trimmed.substr(1, trimmed.size() - 2));
        line.kind = LineKind::Section;
        line.name = Cp1252FromUtf8(name);
        line.comparable = Utf8FromCp1252(line.name) == name;
        return line;
    }
    const std::size_t equals = content.find('=');
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#' || equals == std::string::npos)
        return line;
    const std::string name = Trimmed(content.substr(0, equals));
    line.kind = LineKind::Entry;
    line.name = Cp1252FromUtf8(name);
    line.comparable = Utf8FromCp1252(line.name) == name;
    line.valueBegin = begin + equals + 1;
    line.valueEnd = contentEnd;
    return line;
}

// Where the section and the entry lie in the text.
struct Place {
    bool sectionFound = false;
    bool entryFound = false;
    Line entryLine;
    std::size_t sectionEnd = 0; // behind the section's last entry, or its header
};

Place Locate(const std::string& text, const std::string& section, const std::string& entry)
{
    Place place;
    bool inSection = false;
    for (std::size_t begin = 0; begin < text.size();) {
        const Line line = ReadLine(text, begin);
        begin = line.end;
        if (line.kind == LineKind::Section) {
            if (inSection)
                break;
            inSection = !place.sectionFound && line.comparable && SameName(line.name, section);
            if (inSection) {
                place.sectionFound = true;
                place.sectionEnd = line.end;
            }
        } else if (inSection && line.kind == LineKind::Entry) {
            place.sectionEnd = line.end;
            if (line.comparable && SameName(line.name, entry)) {
                place.entryFound = true;
                place.entryLine = line;
                break;
            }
        }
    }
    return place;
}

} // namespace

std::string IniNameProblem(const std::string& name)
{
    if (name.empty())
        return "it is empty";
    if (IsCSpace(name.front()) || IsCSpace(name.back()))
        return "it begins or ends with white space";
    if (name.front() == ';' || name.front() == '#')
        return "it begins with a comment mark";
    for (char c : name) {
        if (c == '=' || c == '[' || c == ']')
            return std::string("it contains \"") + c + "\"";
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "it contains a control character or line break";
    }
    return {};
}

std::string IniTextProblem(const std::string& text)
{
    if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return "it contains a line break or NUL byte";
    return {};
}

std::optional<std::string> FindIniEntry(const std::string& fileText, const std::string& section,
                                        const std::string& entry)
{
    const Place place = Locate(fileText, section, entry);
    if (!place.entryFound)
        return std::nullopt;
    const Line& line = place.entryLine;
    return Cp1252FromUtf8(fileText.substr(line.valueBegin, line.valueEnd - line.valueBegin));
}

std::string SetIniEntry(const std::string& fileText, const std::string& section, const std::string& entry,
                        const std::string& text)
{
    const Place place = Locate(fileText, section, entry);
    std::string result = fileText;
    if (place.entryFound) {
        const Line& line = place.entryLine;
        return result.replace(line.valueBegin, line.valueEnd - line.valueBegin, Utf8FromCp1252(text));
    }
    const std::string entryLine = Utf8FromCp1252(entry) + "=" + Utf8FromCp1252(text) + "\n";
    if (place.sectionFound) {
        // The section's last line may be the file's last line, without a line break.
        const bool needsBreak = result[place.sectionEnd - 1] != '\n';
        return result.substr(0, place.sectionEnd) + (needsBreak ? "\n" : "") + entryLine +
               result.substr(place.sectionEnd);
    }
    if (!result.empty() && result.back() != '\n')
        result += '\n';
    if (!result.empty())
        result += '\n';
    return result + "[" + Utf8FromCp1252(section) + "]\n" + entryLine;
}

std::string RemoveIniEntry(const std::string& fileText, const std::string& section, const std::string& entry)
{
    const Place place = Locate(fileText, section, entry);
    if (!place.entryFound)
        return fileText;
    const Line& line = place.entryLine;
    return fileText.substr(0, line.begin) + fileText.substr(line.end);
}
