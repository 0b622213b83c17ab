#include "os/OutputFile.h"

#include <cstdio>
#include <utility>

OutputFile::OutputFile(OutputFile&& other) noexcept : handle_(std::exchange(other.handle_, kClosed)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept
{
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, kClosed);
    }
    return *this;
}

OutputFile::~OutputFile()
{
    close();
}

bool WriteFileDurably(const std::string& path, std::string_view bytes)
{
    const std::string temporary = path + ".tmp";
    OutputFile file;
    const bool written = file.open(temporary, OutputFile::Mode::Truncate) &&
                         file.write(bytes.data(), bytes.size()) && file.flushToDisk() && file.close();
    if (written && MoveFileDurably(temporary, path))
        return true;
    file.close();
    std::remove(temporary.c_str());
    return false;
}
