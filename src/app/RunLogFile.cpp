#include "app/RunLogFile.h"

#include "text/Codepage.h"
#include "text/FormatString.h"

#include <utility>

namespace {

// Lines beyond this are cut: a log line tells an event, it does not carry data.
constexpr std::size_t kLineLimit = 4096;

} // namespace

RunLogFile::RunLogFile(std::string path, std::uint64_t sizeLimit)
    : path_(std::move(path)), sizeLimit_(sizeLimit)
{
    if (!path_.empty() && openFile(OutputFile::Mode::Append))
        size_ = LogFileSize(path_);
}

bool RunLogFile::openFile(OutputFile::Mode mode)
{
    return file_.open(path_, mode);
}

void RunLogFile::write(const std::string& line)
{
    if (!file_.isOpen())
        return;
    std::string text = EscapeControlCharacters(line);
    if (text.size() > kLineLimit)
        text.resize(kLineLimit);
    text = LogTimeStamp(clock()) + " " + Utf8FromCp1252(text) + "\n";
    if (size_ > 0 && size_ + text.size() > sizeLimit_) {
        // An open file cannot be renamed on Windows: closed first, moved, opened anew.
        file_.close();
        MoveFileDurably(path_, path_ + ".1");
        if (!openFile(OutputFile::Mode::Truncate))
            return;
        size_ = 0;
    }
    if (file_.write(text.data(), text.size()))
        size_ += text.size();
}

std::string LogTimeStamp(std::time_t time)
{
    const std::tm* utc = std::gmtime(&time);
    if (utc == nullptr)
        return "0000-00-00T00:00:00Z";
    return FormatString("%04d-%02d-%02dT%02d:%02d:%02dZ", utc->tm_year + 1900, utc->tm_mon + 1, utc->tm_mday,
                        utc->tm_hour, utc->tm_min, utc->tm_sec);
}

std::string LogFileName(const std::string& product)
{
    std::string name = product;
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || std::string("\\/:*?\"<>|").find(c) != std::string::npos)
            c = '_';
    }
    return name + ".log";
}
