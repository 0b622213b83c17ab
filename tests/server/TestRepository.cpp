// POSIX side of the server tests' repository.
#include "TestRepository.h"

#include "filetree/ListingWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void SetTime(const std::string& path, std::uint32_t time)
{
    const timespec times[2] = {{static_cast<time_t>(time), 0}, {static_cast<time_t>(time), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

std::string Binary(std::size_t size)
{
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

} // namespace

TestRepository::TestRepository()
{
    const std::string product = root() + "/Corvid";
    // In listing order: Windows-1252 byte order, which differs from UTF-8 order for "€"
    // (0x80) and "ä" (0xE4).
    files_ = {
        {"./Corvid.exe", "Corvid.exe", 1700000000, "MZ" + Binary(998)},
        {"./Daten/Karten/nord.bin", "Daten/Karten/nord.bin", 1600000000, Binary(300000)},
        {"./Hilfe/\xDC"
         "ber Corvid.txt",
         "Hilfe/\xC3\x9C"
         "ber Corvid.txt",
         1700000100, "Hilfe\r\n"},
        {"./a%41 +.txt", "a%41 +.txt", 1, "percent"},
        {"./empty", "empty", 4000000000u, ""},
        {"./link-inside", "link-inside", 1700000000, ""}, // the link's target, Corvid.exe
        {"./z.txt", "z.txt", 2, "z"},
        {"./\x80.txt", "\xE2\x82\xAC.txt", 3, "euro"},
        {"./\xE4.txt", "\xC3\xA4.txt", 4, "ae"},
    };
    files_[5].bytes = files_[0].bytes;
    for (const ExpectedFile& file : files_) {
        if (file.diskPath == "link-inside")
            continue;
        WriteFileBytes(product + "/" + file.diskPath, file.bytes);
        SetTime(product + "/" + file.diskPath, file.time);
    }
    WriteFileBytes(outside() + "/secret", "secret");
    WriteFileBytes(product + "/\xE2\x86\x92.txt", "arrow");
    ::symlink("Corvid.exe", (product + "/link-inside").c_str());
    ::symlink("../../outside/secret", (product + "/evil").c_str());
    ::symlink((outside() + "/secret").c_str(), (product + "/Hilfe/evil-absolute").c_str());
    ::symlink("Hilfe", (product + "/folder-link").c_str());
    ::symlink("../outside", (root() + "/Outsider").c_str());
    ::mkfifo((product + "/pipe").c_str(), 0600);
}

std::string TestRepository::expectedListing() const
{
    FileTree tree;
    StartFileListing(tree, "Corvid");
    for (const ExpectedFile& file : files_)
        AddFileRow(tree, file.listedPath, file.time, file.bytes.size());
    std::string text;
    WriteFileListing(tree, text);
    return text;
}

std::string RowsOf(FileTree& tree)
{
    std::string rows;
    for (std::size_t r = 0; r < tree.rowCount(); ++r) {
        const FileTreeRow& row = *tree.rowAt(r);
        for (std::size_t v = 0; v < row.valueCount(); ++v)
            rows += (v == 0 ? "" : "|") + row.valueAt(v)->text;
        rows += "\n";
    }
    return rows;
}

std::string Answer::header(const std::string& name) const
{
    const std::string key = "\n" + name + ": ";
    const std::size_t start = ("\n" + head).find(key);
    if (start == std::string::npos)
        return {};
    const std::size_t value = start + key.size() - 1;
    return head.substr(value, head.find('\r', value) - value);
}

Answer SplitAnswer(const std::string& raw)
{
    Answer answer;
    const std::size_t end = raw.find("\r\n\r\n");
    if (end == std::string::npos)
        return answer;
    answer.head = raw.substr(0, end + 2);
    answer.body = raw.substr(end + 4);
    const std::size_t space = answer.head.find(' ');
    if (space != std::string::npos)
        answer.status = std::atoi(answer.head.c_str() + space + 1);
    return answer;
}
